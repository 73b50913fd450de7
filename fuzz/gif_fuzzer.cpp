// libFuzzer target: the GIF decoder and the rendering of its first frame.
#include <cstddef>
#include <cstdint>

#include "imaging/GifDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto gif = ombrix::DecodeGif({data, size});
  if (gif && static_cast<uint64_t>(gif.value().width) * gif.value().height <= 16u << 20) {
    try {
      ombrix::TBitmap8 bitmap = ombrix::RenderGifFrame(gif.value());
      volatile uint8_t sink = bitmap.Pixel(bitmap.Width() - 1, bitmap.Height() - 1);
      (void)sink;
    } catch (const ombrix::ImageError&) {
    }
  }
  return 0;
}

// libFuzzer target: PNG structure checks, full decoding, and the streamed
// drawing onto an 8-bit halftone bitmap that the composite conversion uses.
#include <cstddef>
#include <cstdint>

#include "imaging/Palette.h"
#include "imaging/PngDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto info = ombrix::ParsePng({data, size});
  // Large declared sizes are legal; keep the fuzzer's memory bounded.
  if (!info || uint64_t{info.value().width} * info.value().height > 4u << 20) return 0;
  auto rgba = ombrix::DecodePngRgba({data, size});
  try {
    ombrix::TBitmap8 bitmap(ombrix::HalftonePalette());
    bitmap.SetSize(static_cast<int>(info.value().width), static_cast<int>(info.value().height));
    ombrix::DrawPng(info.value(), bitmap, 0, 0);
    // And partly off the bitmap.
    ombrix::DrawPng(info.value(), bitmap, -3, 2);
  } catch (const ombrix::ImageError&) {
  }
  return 0;
}

// The shared imaging objects the conversions fill and empty within one call:
// the GIF object (WorkGif1, WorkGif2) and the picture container
// (WorkPicture). The 8-bit bitmaps (WorkBitmap, TextBitmap) are TBitmap8.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "imaging/Bitmap8.h"
#include "imaging/GifDecoder.h"
#include "imaging/PngDecoder.h"
#include "imaging/RgbaImage.h"

namespace ombrix {

// Reads a whole file; ImageError when it cannot.
std::vector<uint8_t> ReadImageFile(const std::string& path);

class TGifImage {
 public:
  // Raises ImageError with the decoder's reason.
  void LoadFromFile(const std::string& path);
  void LoadFromMemory(std::span<const uint8_t> data);
  int Width() const { return gif_ ? gif_->width : 0; }
  int Height() const { return gif_ ? gif_->height : 0; }
  int FrameCount() const { return gif_ ? gif_->frameCount : 0; }
  bool IsEmpty() const { return !gif_; }
  const GifImage* Decoded() const { return gif_ ? &*gif_ : nullptr; }
  // The first frame as an 8-bit bitmap, made on first use after a load.
  TBitmap8& Bitmap();
  // Discards frames, tables and the rendered bitmap.
  void Empty();

 private:
  std::optional<GifImage> gif_;
  std::optional<TBitmap8> bitmap_;
};

// Holds at most one image, its decoder chosen by the file's extension.
class TPicture {
 public:
  enum class Kind { None, Png, Gif, Bmp };
  // "png", "gif" or "bmp" (any case); anything else raises ImageError.
  void LoadFromFile(const std::string& path);
  int Width() const;
  int Height() const;
  Kind GetKind() const { return kind_; }
  const PngInfo* Png() const { return kind_ == Kind::Png ? &png_ : nullptr; }
  // Draws the held image onto target at (x, y); PNG data is decoded while
  // it is drawn, one row at a time. Raises ImageError on corrupt data.
  void Draw(TBitmap8& target, int x, int y) const;
  void Empty();

 private:
  Kind kind_ = Kind::None;
  std::vector<uint8_t> bytes_;  // the PNG file, which png_ points into
  PngInfo png_;
  TGifImage gif_;
  std::optional<TBitmap8> indexed_;
  RgbaImage rgba_;
};

// The two shared bitmaps as the main window creates them: 8 bits, the
// halftone palette, a white brush; WorkBitmap skips black when drawn (so
// black and transparent PNG pixels end up white), TextBitmap writes the
// caption in Arial 10 black.
TBitmap8 NewWorkBitmap();
TBitmap8 NewTextBitmap();

}  // namespace ombrix

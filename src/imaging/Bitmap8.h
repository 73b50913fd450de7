// The 8-bit palette bitmap the conversions draw on and save: WorkBitmap,
// TextBitmap and the rendered bitmap of a GIF. Every colour written onto it
// becomes the nearest colour of its palette.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/ImageTypes.h"
#include "imaging/Palette.h"
#include "imaging/TextRaster.h"

namespace ombrix {

// left, top, right, bottom; right and bottom exclusive.
struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
};

class TBitmap8 {
 public:
  TBitmap8() = default;
  explicit TBitmap8(Palette palette) : palette_(std::move(palette)) {}
  TBitmap8(TBitmap8&&) = default;
  TBitmap8& operator=(TBitmap8&&) = default;

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool IsEmpty() const { return width_ == 0 || height_ == 0; }
  const Palette& GetPalette() const { return palette_; }
  // Replaces the palette; pixel values stay as they are.
  void SetPalette(Palette palette);

  Rgb BrushColor{255, 255, 255};
  TextFont Font;
  bool Transparent = false;
  Rgb TransparentColor{};

  // New size, same palette: the overlap keeps its pixels, the rest takes the
  // brush colour. Refuses sizes over the 256 MB bitmap limit; ImageError
  // with outOfMemoryText when the pixels cannot be allocated.
  void SetSize(int width, int height, const char* outOfMemoryText = "Out of memory for bitmap");
  // Releases the pixel memory; the size becomes 0 x 0.
  void Empty();

  uint8_t* Row(int y) { return pixels_.get() + static_cast<size_t>(y) * width_; }
  const uint8_t* Row(int y) const { return pixels_.get() + static_cast<size_t>(y) * width_; }
  uint8_t Pixel(int x, int y) const { return Row(y)[x]; }
  Rgb PixelColour(int x, int y) const;

  // Nearest palette index of a colour, remembered per bitmap.
  uint8_t MapColour(Rgb c) { return Mapper().Map(c); }
  ColourMapper& Mapper();

  void FillRect(Rect r);
  // The text cell at (x, y) filled with the brush, the glyphs in the font colour.
  void TextOut(int x, int y, std::string_view text);
  TextSize TextExtent(std::string_view text) const;
  int TextWidth(std::string_view text) const { return TextExtent(text).width; }
  int TextHeight(std::string_view text) const { return TextExtent(text).height; }

  // Copies src's rectangle srcRect to dst (same size), no transparency;
  // parts outside either bitmap are left out.
  void CopyRect(Rect dst, const TBitmap8& src, Rect srcRect);
  // Draws src at (x, y), skipping its transparent colour when its
  // Transparent flag is set.
  void Draw(int x, int y, const TBitmap8& src);

  // Windows BMP, 8 bits, 256 colour-table entries (the palette, then black).
  void SaveToFile(const std::string& path) const;

 private:
  int width_ = 0, height_ = 0;
  Palette palette_;
  std::unique_ptr<uint8_t[]> pixels_;
  std::unique_ptr<ColourMapper> mapper_;
};

}  // namespace ombrix

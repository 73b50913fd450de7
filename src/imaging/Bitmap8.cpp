#include "imaging/Bitmap8.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "imaging/BmpFile.h"

namespace ombrix {

void TBitmap8::SetPalette(Palette palette) {
  if (palette.size() > 256) palette.resize(256);
  palette_ = std::move(palette);
  mapper_.reset();
}

ColourMapper& TBitmap8::Mapper() {
  if (!mapper_) mapper_ = std::make_unique<ColourMapper>(palette_);
  return *mapper_;
}

Rgb TBitmap8::PixelColour(int x, int y) const {
  uint8_t i = Pixel(x, y);
  return i < palette_.size() ? palette_[i] : Rgb{};
}

void TBitmap8::SetSize(int width, int height, const char* outOfMemoryText) {
  if (width < 0 || height < 0) throw ImageError("Invalid bitmap size");
  if (width == 0 || height == 0) {
    Empty();
    return;
  }
  if (width == width_ && height == height_) return;
  if (!BitmapSizeAllowed(static_cast<uint64_t>(width), static_cast<uint64_t>(height)))
    throw ImageError(ImageTooLargeText(width, height));
  size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  std::unique_ptr<uint8_t[]> fresh(new (std::nothrow) uint8_t[count]);
  if (!fresh) throw ImageError(outOfMemoryText);
  uint8_t brush = MapColour(BrushColor);
  int keepW = std::min(width, width_), keepH = std::min(height, height_);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = fresh.get() + static_cast<size_t>(y) * width;
    int kept = 0;
    if (y < keepH) {
      std::memcpy(row, Row(y), static_cast<size_t>(keepW));
      kept = keepW;
    }
    std::memset(row + kept, brush, static_cast<size_t>(width - kept));
  }
  pixels_ = std::move(fresh);
  width_ = width;
  height_ = height;
}

void TBitmap8::Empty() {
  pixels_.reset();
  width_ = height_ = 0;
}

// Clips r to the bitmap; false when nothing is left.
static bool Clip(Rect& r, int width, int height) {
  r.left = std::max(r.left, 0);
  r.top = std::max(r.top, 0);
  r.right = std::min(r.right, width);
  r.bottom = std::min(r.bottom, height);
  return r.left < r.right && r.top < r.bottom;
}

void TBitmap8::FillRect(Rect r) {
  if (!Clip(r, width_, height_)) return;
  uint8_t brush = MapColour(BrushColor);
  for (int y = r.top; y < r.bottom; ++y) std::memset(Row(y) + r.left, brush, static_cast<size_t>(r.right - r.left));
}

TextSize TBitmap8::TextExtent(std::string_view text) const { return TheTextRaster().Measure(Font, text); }

void TBitmap8::TextOut(int x, int y, std::string_view text) {
  TextMask mask = TheTextRaster().Render(Font, text);
  uint8_t brush = MapColour(BrushColor), ink = MapColour(Font.color);
  for (int my = 0; my < mask.height; ++my) {
    int ty = y + my;
    if (ty < 0 || ty >= height_) continue;
    uint8_t* row = Row(ty);
    const uint8_t* m = mask.ink.data() + static_cast<size_t>(my) * mask.width;
    for (int mx = 0; mx < mask.width; ++mx) {
      int tx = x + mx;
      if (tx >= 0 && tx < width_) row[tx] = m[mx] ? ink : brush;
    }
  }
}

void TBitmap8::CopyRect(Rect dst, const TBitmap8& src, Rect srcRect) {
  // Same-size rectangles: take the smaller extent, then clip both sides.
  int w = std::min(dst.right - dst.left, srcRect.right - srcRect.left);
  int h = std::min(dst.bottom - dst.top, srcRect.bottom - srcRect.top);
  if (w <= 0 || h <= 0 || src.IsEmpty() || IsEmpty()) return;
  auto map = PaletteTranslation(src.palette_, palette_);
  for (int j = 0; j < h; ++j) {
    int sy = srcRect.top + j, dy = dst.top + j;
    if (sy < 0 || sy >= src.height_ || dy < 0 || dy >= height_) continue;
    const uint8_t* s = src.Row(sy);
    uint8_t* d = Row(dy);
    for (int i = 0; i < w; ++i) {
      int sx = srcRect.left + i, dx = dst.left + i;
      if (sx < 0 || sx >= src.width_ || dx < 0 || dx >= width_) continue;
      d[dx] = map[s[sx]];
    }
  }
}

void TBitmap8::Draw(int x, int y, const TBitmap8& src) {
  if (src.IsEmpty() || IsEmpty()) return;
  auto map = PaletteTranslation(src.palette_, palette_);
  // Which source indices show the transparent colour.
  bool skip[256] = {};
  if (src.Transparent)
    for (size_t i = 0; i < 256; ++i) skip[i] = (i < src.palette_.size() ? src.palette_[i] : Rgb{}) == src.TransparentColor;
  int x0 = std::max(0, -x), x1 = std::min(src.width_, width_ - x);
  for (int sy = 0; sy < src.height_; ++sy) {
    int dy = y + sy;
    if (dy < 0 || dy >= height_) continue;
    const uint8_t* s = src.Row(sy);
    uint8_t* d = Row(dy);
    for (int sx = x0; sx < x1; ++sx)
      if (!skip[s[sx]]) d[x + sx] = map[s[sx]];
  }
}

void TBitmap8::SaveToFile(const std::string& path) const { WriteBmpFile(path, *this); }

}  // namespace ombrix

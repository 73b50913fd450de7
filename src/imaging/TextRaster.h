// The seam that measures and rasterises caption text: GDI on Windows,
// FreeType with a metric-compatible Arial substitute elsewhere. Glyphs come
// back as a two-level ink mask, because text on a palette bitmap is drawn
// without anti-aliasing (as GDI does on 8-bit DIBs).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/ImageTypes.h"

namespace ombrix {

struct TextFont {
  std::string face = "Arial";
  int points = 8;
  Rgb color{};  // black
};

struct TextSize {
  int width = 0, height = 0;
};

// width x height cells, 1 where the glyphs put ink, rows top to bottom.
struct TextMask {
  int width = 0, height = 0;
  std::vector<uint8_t> ink;
};

class TextRaster {
 public:
  virtual ~TextRaster() = default;
  // The text cell: advance width of the whole text and the font's line height.
  virtual TextSize Measure(const TextFont& font, std::string_view text) = 0;
  // The mask of the cell Measure gives; throws ImageError when no font can
  // be had.
  virtual TextMask Render(const TextFont& font, std::string_view text) = 0;
};

// The raster in force: the platform's, or the one a test installed.
TextRaster& TheTextRaster();
// Installs a raster (tests); nullptr puts the platform's back.
void SetTextRaster(TextRaster* raster);
// The platform's own raster (defined in posix/ and win32/).
TextRaster& PlatformTextRaster();

}  // namespace ombrix

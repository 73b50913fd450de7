#include "imaging/Palette.h"

#include <cstdio>

namespace ombrix {

namespace {
// Recorded once from CreateHalftonePalette by tools/halftone-dump.
constexpr uint8_t kHalftone[256][3] = {
#include "imaging/HalftoneTable.inc"
};
}  // namespace

std::string ImageTooLargeText(uint64_t width, uint64_t height) {
  char text[160];
  std::snprintf(text, sizeof text, "Image of %llu x %llu pixels is too large (over 256 MB as an 8-bit bitmap)",
                static_cast<unsigned long long>(width), static_cast<unsigned long long>(height));
  return text;
}

const Palette& RecordedHalftonePalette() {
  static const Palette palette = [] {
    Palette p(256);
    for (int i = 0; i < 256; ++i) p[i] = Rgb{kHalftone[i][0], kHalftone[i][1], kHalftone[i][2]};
    return p;
  }();
  return palette;
}

uint8_t NearestIndex(const Palette& palette, Rgb c) {
  int best = 0;
  int bestDist = 1 << 30;
  for (size_t i = 0; i < palette.size() && i < 256; ++i) {
    int dr = int{palette[i].r} - c.r, dg = int{palette[i].g} - c.g, db = int{palette[i].b} - c.b;
    int d = dr * dr + dg * dg + db * db;
    if (d < bestDist) {
      bestDist = d;
      best = static_cast<int>(i);
      if (d == 0) break;
    }
  }
  return static_cast<uint8_t>(best);
}

ColourMapper::ColourMapper(const Palette& palette)
    : palette_(palette), cacheStore_(std::make_unique<std::array<Slot, 4096>>()), cache_(cacheStore_->data()) {}

std::array<uint8_t, 256> PaletteTranslation(const Palette& from, const Palette& to) {
  std::array<uint8_t, 256> map{};
  for (int i = 0; i < 256; ++i) map[i] = static_cast<uint8_t>(i);
  if (from == to) return map;
  for (size_t i = 0; i < 256; ++i) map[i] = NearestIndex(to, i < from.size() ? from[i] : Rgb{});
  return map;
}

}  // namespace ombrix

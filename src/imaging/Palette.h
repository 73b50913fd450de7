// Palettes of the 8-bit bitmaps and the nearest-colour mapping every write
// onto such a bitmap goes through.
#pragma once
#include <array>
#include <cstdint>
#include <memory>

#include "imaging/ImageTypes.h"

namespace ombrix {

// The 256-colour halftone palette the shared bitmaps are created with: on
// Windows the one CreateHalftonePalette returns, elsewhere the same table
// recorded from it, so both platforms write identical files.
const Palette& HalftonePalette();
// The recorded table itself (what non-Windows platforms use).
const Palette& RecordedHalftonePalette();

// The index of the palette entry nearest to c (squared RGB distance; the
// lowest index wins a tie). An empty palette gives 0.
uint8_t NearestIndex(const Palette& palette, Rgb c);

// Nearest-colour lookups for one palette, remembered so that images with
// few distinct colours cost one table look-up per pixel.
class ColourMapper {
 public:
  explicit ColourMapper(const Palette& palette);
  const Palette& palette() const { return palette_; }

  uint8_t Map(Rgb c) {
    uint32_t key = c.Packed();
    Slot& s = cache_[Hash(key)];
    if (s.key != key + 1) {
      s.key = key + 1;
      s.index = NearestIndex(palette_, c);
    }
    return s.index;
  }

  // Source colour src at alpha a (1..254) over the palette entry dst.
  uint8_t Blend(Rgb src, uint8_t a, uint8_t dst) {
    const Rgb& d = dst < palette_.size() ? palette_[dst] : kBlack;
    auto mix = [a](uint8_t s, uint8_t b) {
      return static_cast<uint8_t>((s * a + b * (255 - a) + 127) / 255);
    };
    return Map(Rgb{mix(src.r, d.r), mix(src.g, d.g), mix(src.b, d.b)});
  }

 private:
  static constexpr Rgb kBlack{};
  struct Slot {
    uint32_t key = 0;  // colour + 1; 0 = empty
    uint8_t index = 0;
  };
  static size_t Hash(uint32_t key) { return (key * 2654435761u) >> 20; }  // 12 bits
  Palette palette_;
  std::unique_ptr<std::array<Slot, 4096>> cacheStore_;
  Slot* cache_;
};

// For every entry of `from`, the nearest entry of `to`; identity when the
// two palettes are the same.
std::array<uint8_t, 256> PaletteTranslation(const Palette& from, const Palette& to);

}  // namespace ombrix

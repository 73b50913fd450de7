#include <windows.h>

#include "imaging/Palette.h"

namespace ombrix {

// The palette the graphics interface offers for 8-bit halftone output; the
// recorded table stands in if the call fails.
const Palette& HalftonePalette() {
  static const Palette palette = [] {
    Palette p;
    HDC screen = GetDC(nullptr);
    HPALETTE h = CreateHalftonePalette(screen);
    if (h) {
      PALETTEENTRY entries[256] = {};
      UINT n = GetPaletteEntries(h, 0, 256, entries);
      for (UINT i = 0; i < n; ++i) p.push_back(Rgb{entries[i].peRed, entries[i].peGreen, entries[i].peBlue});
      DeleteObject(h);
    }
    if (screen) ReleaseDC(nullptr, screen);
    if (p.size() != 256) p = RecordedHalftonePalette();
    return p;
  }();
  return palette;
}

}  // namespace ombrix

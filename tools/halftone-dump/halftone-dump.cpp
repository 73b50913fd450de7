// Prints the 256 entries of the palette CreateHalftonePalette returns, as the
// C++ table src/imaging/HalftoneTable.cpp holds. Run it once under Wine (or on
// Windows) to regenerate that table:
//   i686-w64-mingw32-g++ -O2 -static halftone-dump.cpp -o halftone-dump.exe -lgdi32
//   wine halftone-dump.exe > ../../src/imaging/HalftoneTable.inc
#include <windows.h>

#include <cstdio>

int main() {
  HDC screen = GetDC(nullptr);
  HPALETTE palette = CreateHalftonePalette(screen);
  PALETTEENTRY entries[256] = {};
  UINT count = palette ? GetPaletteEntries(palette, 0, 256, entries) : 0;
  std::printf("// %u entries of CreateHalftonePalette, as R, G, B.\n", count);
  for (UINT i = 0; i < count; ++i)
    std::printf("{%3u, %3u, %3u},%s", entries[i].peRed, entries[i].peGreen, entries[i].peBlue,
                (i % 4 == 3) ? "\n" : " ");
  if (palette) DeleteObject(palette);
  ReleaseDC(nullptr, screen);
  return count == 256 ? 0 : 1;
}

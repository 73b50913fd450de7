#include "ui/win32/ProductIcon.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace ombrix {

namespace {

HICON DrawScope(int size) {
  // 32-bit pixels with alpha, top-down; the mask is unused but required.
  std::vector<std::uint32_t> pixels(static_cast<size_t>(size) * size, 0);
  const double c = (size - 1) / 2.0, r = size / 2.0 - 0.5;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const double dx = x - c, dy = y - c, d = std::sqrt(dx * dx + dy * dy);
      if (d > r) continue;
      std::uint32_t rgb = 0x003010;                                             // scope face
      if (std::fabs(d - r * 0.33) < 0.6 || std::fabs(d - r * 0.66) < 0.6) rgb = 0x00A040;  // range rings
      const double angle = std::atan2(-dy, dx);                                 // sweep from 12 to 1 o'clock
      if (angle > 0.9 && angle < 1.6) rgb = 0x00FF00;
      if (d > r - 1.2) rgb = 0xC0C0C0;                                          // bezel
      if (dx > r * 0.1 && dx < r * 0.45 && dy > r * 0.05 && dy < r * 0.4) rgb = 0xFFFF00;  // an echo
      pixels[static_cast<size_t>(y) * size + x] = 0xFF000000u | rgb;
    }
  }
  BITMAPV5HEADER h{};
  h.bV5Size = sizeof h;
  h.bV5Width = size;
  h.bV5Height = -size;
  h.bV5Planes = 1;
  h.bV5BitCount = 32;
  h.bV5Compression = BI_BITFIELDS;
  h.bV5RedMask = 0x00FF0000;
  h.bV5GreenMask = 0x0000FF00;
  h.bV5BlueMask = 0x000000FF;
  h.bV5AlphaMask = 0xFF000000;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HBITMAP colour = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&h), DIB_RGB_COLORS, &bits, nullptr, 0);
  ReleaseDC(nullptr, screen);
  if (!colour) return LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
  std::copy(pixels.begin(), pixels.end(), static_cast<std::uint32_t*>(bits));
  HBITMAP mask = CreateBitmap(size, size, 1, 1, nullptr);
  ICONINFO info{TRUE, 0, 0, mask, colour};
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(mask);
  DeleteObject(colour);
  return icon ? icon : LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
}

}  // namespace

HICON ProductIcon(int size) {
  static HICON large = DrawScope(32), small = DrawScope(16);
  return size <= 16 ? small : large;
}

}  // namespace ombrix

// Caption text on Windows: GDI draws and measures it in the named font,
// without anti-aliasing, as it does on an 8-bit DIB.
#include <windows.h>

#include "imaging/TextRaster.h"

namespace ombrix {

namespace {

class DcHandle {
 public:
  DcHandle() : dc_(CreateCompatibleDC(nullptr)) {}
  ~DcHandle() {
    if (dc_) DeleteDC(dc_);
  }
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

class GdiObject {
 public:
  explicit GdiObject(HGDIOBJ h) : h_(h) {}
  ~GdiObject() {
    if (h_) DeleteObject(h_);
  }
  HGDIOBJ get() const { return h_; }

 private:
  HGDIOBJ h_;
};

HFONT MakeFont(HDC dc, const TextFont& font) {
  int height = -MulDiv(font.points, GetDeviceCaps(dc, LOGPIXELSY), 72);
  return CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, font.face.c_str());
}

class GdiTextRaster : public TextRaster {
 public:
  TextSize Measure(const TextFont& font, std::string_view text) override {
    DcHandle dc;
    GdiObject f(MakeFont(dc.get(), font));
    if (!dc.get() || !f.get()) throw ImageError("Cannot create font " + font.face);
    HGDIOBJ old = SelectObject(dc.get(), f.get());
    SIZE s{};
    GetTextExtentPoint32A(dc.get(), text.data(), static_cast<int>(text.size()), &s);
    if (text.empty()) {
      TEXTMETRICA tm{};
      GetTextMetricsA(dc.get(), &tm);
      s.cy = tm.tmHeight;
    }
    SelectObject(dc.get(), old);
    return TextSize{s.cx, s.cy};
  }

  TextMask Render(const TextFont& font, std::string_view text) override {
    TextSize size = Measure(font, text);
    TextMask mask;
    mask.width = size.width;
    mask.height = size.height;
    mask.ink.assign(static_cast<size_t>(mask.width) * mask.height, 0);
    if (mask.width <= 0 || mask.height <= 0) return mask;
    DcHandle dc;
    GdiObject f(MakeFont(dc.get(), font));
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = mask.width;
    bi.bmiHeader.biHeight = -mask.height;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    GdiObject dib(CreateDIBSection(dc.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dib.get() || !bits || !f.get()) throw ImageError("Cannot draw text in " + font.face);
    HGDIOBJ oldBmp = SelectObject(dc.get(), dib.get());
    HGDIOBJ oldFont = SelectObject(dc.get(), f.get());
    RECT r{0, 0, mask.width, mask.height};
    HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    ::FillRect(dc.get(), &r, white);
    SetTextColor(dc.get(), RGB(0, 0, 0));
    SetBkMode(dc.get(), TRANSPARENT);
    ::TextOutA(dc.get(), 0, 0, text.data(), static_cast<int>(text.size()));
    GdiFlush();
    const uint32_t* px = static_cast<const uint32_t*>(bits);
    for (size_t i = 0; i < mask.ink.size(); ++i) mask.ink[i] = (px[i] & 0xFF) < 128 ? 1 : 0;
    SelectObject(dc.get(), oldFont);
    SelectObject(dc.get(), oldBmp);
    return mask;
  }
};

}  // namespace

TextRaster& PlatformTextRaster() {
  static GdiTextRaster raster;
  return raster;
}

}  // namespace ombrix

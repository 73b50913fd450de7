// Caption text on Linux: FreeType with Liberation Sans, which has Arial's
// metrics, rendered without anti-aliasing the way GDI draws on 8-bit DIBs.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <system_error>

#include "imaging/TextRaster.h"
#include "util/StrUtil.h"

namespace ombrix {

namespace {

namespace fs = std::filesystem;

// Arial is not installed on Linux; these stand in with the same metrics.
const char* const kArialFiles[] = {"LiberationSans-Regular.ttf", "Arial.ttf", "arial.ttf", "Arimo-Regular.ttf"};

std::string FindIn(const fs::path& dir) {
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) return {};
  for (const char* file : kArialFiles) {
    fs::path direct = dir / file;
    if (fs::is_regular_file(direct, ec)) return direct.string();
  }
  fs::recursive_directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    for (const char* file : kArialFiles)
      if (SameText(name, file) && it->is_regular_file(ec)) return it->path().string();
  }
  return {};
}

std::string FindArialSubstitute() {
  // The Debian package's place first, then every usual font folder.
  std::vector<fs::path> dirs = {"/usr/share/fonts/truetype/liberation", "/usr/share/fonts/truetype/liberation2",
                                "/usr/share/fonts/liberation-sans", "/usr/share/fonts"};
  if (const char* home = std::getenv("HOME")) {
    dirs.push_back(fs::path(home) / ".local/share/fonts");
    dirs.push_back(fs::path(home) / ".fonts");
  }
  dirs.push_back("/usr/local/share/fonts");
  for (const fs::path& d : dirs) {
    std::string found = FindIn(d);
    if (!found.empty()) return found;
  }
  return {};
}

class FreeTypeTextRaster : public TextRaster {
 public:
  ~FreeTypeTextRaster() override {
    if (face_) FT_Done_Face(face_);
    if (library_) FT_Done_FreeType(library_);
  }

  TextSize Measure(const TextFont& font, std::string_view text) override {
    Metrics m = Prepare(font);
    TextSize size;
    size.height = m.ascent + m.descent;
    for (unsigned char ch : text) {
      if (FT_Load_Char(face_, ch, FT_LOAD_DEFAULT | FT_LOAD_TARGET_MONO) == 0)
        size.width += static_cast<int>((face_->glyph->advance.x + 32) >> 6);
    }
    return size;
  }

  TextMask Render(const TextFont& font, std::string_view text) override {
    TextSize size = Measure(font, text);
    Metrics m = Prepare(font);
    TextMask mask;
    mask.width = size.width;
    mask.height = size.height;
    mask.ink.assign(static_cast<size_t>(mask.width) * mask.height, 0);
    int pen = 0;
    for (unsigned char ch : text) {
      if (FT_Load_Char(face_, ch, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME) != 0) continue;
      const FT_GlyphSlot g = face_->glyph;
      const FT_Bitmap& b = g->bitmap;
      for (unsigned row = 0; row < b.rows; ++row) {
        int y = m.ascent - g->bitmap_top + static_cast<int>(row);
        if (y < 0 || y >= mask.height) continue;
        const unsigned char* src = b.buffer + static_cast<ptrdiff_t>(row) * b.pitch;
        for (unsigned col = 0; col < b.width; ++col) {
          int x = pen + g->bitmap_left + static_cast<int>(col);
          if (x < 0 || x >= mask.width) continue;
          bool on = b.pixel_mode == FT_PIXEL_MODE_MONO ? (src[col >> 3] >> (7 - (col & 7))) & 1 : src[col] >= 128;
          if (on) mask.ink[static_cast<size_t>(y) * mask.width + x] = 1;
        }
      }
      pen += static_cast<int>((g->advance.x + 32) >> 6);
    }
    return mask;
  }

 private:
  struct Metrics {
    int ascent = 0, descent = 0;
  };

  Metrics Prepare(const TextFont& font) {
    if (!face_) {
      if (!library_ && FT_Init_FreeType(&library_) != 0) throw ImageError("Cannot start FreeType");
      std::string file = FindArialSubstitute();
      if (file.empty()) throw ImageError("No Arial or Liberation Sans font found (install fonts-liberation)");
      if (FT_New_Face(library_, file.c_str(), 0, &face_) != 0) throw ImageError("Cannot open font " + file);
    }
    // Points at the 96 dpi of a Windows desktop, rounded as GDI's MulDiv does.
    int ppem = (font.points * 96 + 36) / 72;
    if (ppem < 1) ppem = 1;
    FT_Set_Pixel_Sizes(face_, 0, static_cast<FT_UInt>(ppem));
    Metrics m;
    const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face_, FT_SFNT_OS2));
    double upem = face_->units_per_EM ? face_->units_per_EM : 2048;
    double asc = os2 ? os2->usWinAscent : face_->ascender;
    double desc = os2 ? os2->usWinDescent : -face_->descender;
    m.ascent = static_cast<int>(std::ceil(asc * ppem / upem - 0.01));
    m.descent = static_cast<int>(std::ceil(desc * ppem / upem - 0.01));
    return m;
  }

  FT_Library library_ = nullptr;
  FT_Face face_ = nullptr;
};

}  // namespace

TextRaster& PlatformTextRaster() {
  static FreeTypeTextRaster raster;
  return raster;
}

}  // namespace ombrix

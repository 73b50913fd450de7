// Caption text through the platform's raster (FreeType with Liberation Sans
// on Linux, GDI on Windows) and through a fake raster for exact placement.
#include <gtest/gtest.h>

#include "imaging/Bitmap8.h"
#include "imaging/Palette.h"

namespace ombrix {
namespace {

// Ink on every cell whose column is even; cells 3 wide per character, 5 high.
class FakeRaster : public TextRaster {
 public:
  TextSize Measure(const TextFont&, std::string_view text) override {
    return {static_cast<int>(text.size()) * 3, 5};
  }
  TextMask Render(const TextFont& font, std::string_view text) override {
    TextSize s = Measure(font, text);
    TextMask m{s.width, s.height, std::vector<uint8_t>(static_cast<size_t>(s.width) * s.height)};
    for (int i = 0; i < s.width * s.height; ++i) m.ink[i] = (i % s.width) % 2 == 0;
    return m;
  }
};

TEST(Text, DrawsTheCellOverTheBrushInTheFontColour) {
  FakeRaster fake;
  SetTextRaster(&fake);
  TBitmap8 bmp(HalftonePalette());
  bmp.BrushColor = Rgb{0, 0, 255};
  bmp.SetSize(10, 10);
  bmp.BrushColor = Rgb{255, 255, 255};
  bmp.Font.color = Rgb{200, 0, 0};  // not in the palette exactly: nearest
  bmp.TextOut(8, 2, "ab");          // 6 x 5 cell, clipped at the right edge
  SetTextRaster(nullptr);
  const uint8_t ink = NearestIndex(HalftonePalette(), Rgb{200, 0, 0});
  const uint8_t white = NearestIndex(HalftonePalette(), Rgb{255, 255, 255});
  const uint8_t blue = NearestIndex(HalftonePalette(), Rgb{0, 0, 255});
  EXPECT_EQ(bmp.Pixel(8, 2), ink);
  EXPECT_EQ(bmp.Pixel(9, 2), white);
  EXPECT_EQ(bmp.Pixel(8, 6), ink);
  EXPECT_EQ(bmp.Pixel(8, 7), blue);
  EXPECT_EQ(bmp.Pixel(7, 2), blue);
}

TEST(Text, ArialMetricsAreSaneOnThisPlatform) {
  TBitmap8 bmp(HalftonePalette());
  bmp.Font.face = "Arial";
  bmp.Font.points = 10;
  TextSize yyxp = bmp.TextExtent("YyXp");
  // Arial 10 at 96 dpi: a line of about 16 pixels, "YyXp" about 30 wide.
  EXPECT_GE(yyxp.height, 13);
  EXPECT_LE(yyxp.height, 19);
  EXPECT_GE(yyxp.width, 22);
  EXPECT_LE(yyxp.width, 40);
  bmp.Font.points = 8;
  TextSize small = bmp.TextExtent("YyXp");
  EXPECT_LT(small.height, yyxp.height);
  // Longer captions are wider; an empty text has no width.
  EXPECT_GT(bmp.TextWidth("Ombrix 2.2.1 - Radar image LOT_N0R_0"), bmp.TextWidth("Ombrix"));
  EXPECT_EQ(bmp.TextWidth(""), 0);

  // Black text on white: ink inside the cell only, and some of it.
  bmp.SetSize(200, 30);
  bmp.BrushColor = Rgb{255, 255, 255};
  bmp.FillRect({0, 0, 200, 30});
  bmp.Font.color = Rgb{};
  bmp.TextOut(5, 2, "Radar");
  TextSize cell = bmp.TextExtent("Radar");
  const uint8_t black = bmp.MapColour(Rgb{});
  int inside = 0, outside = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 200; ++x)
      if (bmp.Pixel(x, y) == black) {
        bool in = x >= 5 && x < 5 + cell.width && y >= 2 && y < 2 + cell.height;
        (in ? inside : outside)++;
      }
  EXPECT_GT(inside, 20);
  EXPECT_EQ(outside, 0);
}

}  // namespace
}  // namespace ombrix

// The BMP files we write, read back by a stock reader (ImageMagick).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "imaging/Bitmap8.h"
#include "imaging/Palette.h"
#include "support/TempDir.h"

namespace ombrix {
namespace {

std::string RunCommand(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
  }
  return out;
}

TEST(StockReader, ImageMagickReadsOurBmpWithTheSamePixels) {
  if (std::system("command -v convert >/dev/null 2>&1 && command -v identify >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "ImageMagick's convert is not installed (scripts/deps.sh installs it)";
  test::TempDir dir;
  // Odd width (row padding), every halftone colour, a caption-like band.
  TBitmap8 bmp(HalftonePalette());
  bmp.SetSize(301, 7);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 301; ++x) bmp.Row(y)[x] = static_cast<uint8_t>((x + y * 37) & 255);
  bmp.SaveToFile(dir / "out.bmp");

  EXPECT_EQ(RunCommand("identify -format '%w %h %m' '" + dir / "out.bmp" + "'"), "301 7 BMP3");
  std::string rgb = RunCommand("convert '" + dir / "out.bmp" + "' -depth 8 rgb:-");
  ASSERT_EQ(rgb.size(), 301u * 7 * 3);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 301; ++x) {
      Rgb want = bmp.PixelColour(x, y);
      size_t at = (static_cast<size_t>(y) * 301 + x) * 3;
      ASSERT_EQ(uint8_t(rgb[at]), want.r) << x << "," << y;
      ASSERT_EQ(uint8_t(rgb[at + 1]), want.g) << x << "," << y;
      ASSERT_EQ(uint8_t(rgb[at + 2]), want.b) << x << "," << y;
    }
}

}  // namespace
}  // namespace ombrix

// The 8-bit bitmap's drawing rules and the exact BMP file it writes.
#include <gtest/gtest.h>

#include <zlib.h>

#include "imaging/Bitmap8.h"
#include "imaging/BmpFile.h"
#include "imaging/GifDecoder.h"
#include "imaging/Palette.h"
#include "imaging/WorkObjects.h"
#include "support/GifEncoder.h"
#include "support/TempDir.h"
#include "util/FileUtil.h"

namespace ombrix {
namespace {

uint32_t U32(const std::string& s, size_t at) {
  return uint8_t(s[at]) | (uint8_t(s[at + 1]) << 8) | (uint8_t(s[at + 2]) << 16) | (uint32_t(uint8_t(s[at + 3])) << 24);
}

Palette Grey4() { return {Rgb{0, 0, 0}, Rgb{85, 85, 85}, Rgb{170, 170, 170}, Rgb{255, 255, 255}}; }

TEST(Bitmap8, ResizeKeepsPaletteAndOverlapAndFillsWithTheBrush) {
  TBitmap8 bmp(Grey4());
  bmp.BrushColor = Rgb{250, 250, 250};  // nearest: white, index 3
  bmp.SetSize(4, 3);
  EXPECT_EQ(bmp.Pixel(0, 0), 3);
  bmp.BrushColor = Rgb{90, 80, 80};  // nearest: index 1
  bmp.FillRect({1, 1, 3, 2});
  EXPECT_EQ(bmp.Pixel(1, 1), 1);
  EXPECT_EQ(bmp.Pixel(3, 1), 3);  // right edge exclusive
  bmp.BrushColor = Rgb{0, 0, 0};
  bmp.SetSize(6, 2);
  EXPECT_EQ(bmp.GetPalette(), Grey4());
  EXPECT_EQ(bmp.Pixel(1, 1), 1);  // kept
  EXPECT_EQ(bmp.Pixel(0, 0), 3);  // kept
  EXPECT_EQ(bmp.Pixel(5, 0), 0);  // new, brush
  bmp.FillRect({-5, -5, 100, 100});  // clipped, no crash
  EXPECT_EQ(bmp.Pixel(5, 1), 0);
  bmp.Empty();
  EXPECT_EQ(bmp.Width(), 0);
  EXPECT_EQ(bmp.GetPalette(), Grey4());
  EXPECT_THROW(bmp.SetSize(70000, 70000), ImageError);  // over 256 MB
  EXPECT_TRUE(bmp.IsEmpty());
}

TEST(Bitmap8, HalftonePaletteHasPureWhiteAndBlackAndMapsToNearest) {
  const Palette& p = HalftonePalette();
  ASSERT_EQ(p.size(), 256u);
  EXPECT_EQ(p, RecordedHalftonePalette());  // Windows and Linux write the same files
  EXPECT_EQ(p[NearestIndex(p, Rgb{255, 255, 255})], (Rgb{255, 255, 255}));
  EXPECT_EQ(p[NearestIndex(p, Rgb{0, 0, 0})], (Rgb{0, 0, 0}));
  // Every colour maps to an entry no farther than any other entry.
  ColourMapper mapper(p);
  for (int c = 0; c < 4096; ++c) {
    Rgb rgb{uint8_t((c * 37) & 255), uint8_t((c * 91) & 255), uint8_t((c * 13) & 255)};
    uint8_t i = mapper.Map(rgb);
    auto dist = [&](const Rgb& e) {
      return (e.r - rgb.r) * (e.r - rgb.r) + (e.g - rgb.g) * (e.g - rgb.g) + (e.b - rgb.b) * (e.b - rgb.b);
    };
    for (const Rgb& e : p) ASSERT_LE(dist(p[i]), dist(e));
  }
}

TEST(Bitmap8, CopyRectAndDrawWithAndWithoutTransparency) {
  TBitmap8 src(Grey4());
  src.BrushColor = Rgb{};
  src.SetSize(3, 3);
  src.BrushColor = Rgb{255, 255, 255};
  src.FillRect({1, 0, 2, 3});  // white column in the middle, black elsewhere
  TBitmap8 dst(HalftonePalette());
  dst.BrushColor = Rgb{128, 0, 0};
  dst.SetSize(5, 5);
  const uint8_t red = dst.Pixel(0, 0), white = dst.MapColour(Rgb{255, 255, 255}), black = dst.MapColour(Rgb{});
  dst.Draw(1, 1, src);  // opaque: all nine pixels
  EXPECT_EQ(dst.Pixel(1, 1), black);
  EXPECT_EQ(dst.Pixel(2, 1), white);
  EXPECT_EQ(dst.Pixel(0, 0), red);
  dst.BrushColor = Rgb{128, 0, 0};
  dst.FillRect({0, 0, 5, 5});
  src.Transparent = true;
  src.TransparentColor = Rgb{};
  dst.Draw(-1, 3, src);  // black skipped, partly off the bitmap
  EXPECT_EQ(dst.Pixel(0, 3), white);
  EXPECT_EQ(dst.Pixel(1, 3), red);
  EXPECT_EQ(dst.Pixel(0, 4), white);
  // CopyRect ignores transparency and clips at both bitmaps' edges.
  dst.CopyRect({3, 3, 6, 6}, src, {0, 0, 3, 3});
  EXPECT_EQ(dst.Pixel(3, 3), black);
  EXPECT_EQ(dst.Pixel(4, 4), white);
  dst.CopyRect({0, 0, 2, 2}, src, {-1, -1, 1, 1});
  EXPECT_EQ(dst.Pixel(1, 1), black);  // from src (0, 0)
  EXPECT_EQ(dst.Pixel(0, 0), red);    // source outside: untouched
}

TEST(BmpFile, ExactLayoutOfAGifUnderlay) {
  test::TempDir dir;
  // A 16-colour GIF 601 pixels wide: 16 colours + 240 black entries, rows of 604 bytes.
  test::GifRecipe recipe;
  recipe.width = 601;
  recipe.height = 3;
  recipe.globalTable = test::RampTable(16);
  test::GifFrameRecipe f;
  f.width = 601;
  f.height = 3;
  for (int i = 0; i < 601 * 3; ++i) f.pixels.push_back(static_cast<uint8_t>(i % 16));
  recipe.frames.push_back(f);
  test::WriteFile(dir / "wide.gif", test::EncodeGif(recipe));
  TGifImage gif;
  gif.LoadFromFile(dir / "wide.gif");
  gif.Bitmap().SaveToFile(dir / "wide.bmp");
  std::string bmp = test::ReadFile(dir / "wide.bmp");
  ASSERT_EQ(bmp.size(), 14u + 40 + 1024 + 604 * 3);
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  EXPECT_EQ(U32(bmp, 2), bmp.size());
  EXPECT_EQ(U32(bmp, 6), 0u);
  EXPECT_EQ(U32(bmp, 10), 14u + 40 + 1024);
  EXPECT_EQ(U32(bmp, 14), 40u);
  EXPECT_EQ(U32(bmp, 18), 601u);
  EXPECT_EQ(U32(bmp, 22), 3u);
  EXPECT_EQ(U32(bmp, 26), 1u | (8u << 16));
  EXPECT_EQ(U32(bmp, 30), 0u);
  EXPECT_EQ(U32(bmp, 34), 604u * 3);
  EXPECT_EQ(U32(bmp, 46), 256u);
  auto table = test::RampTable(16);
  for (int i = 0; i < 256; ++i) {
    uint32_t entry = U32(bmp, 54 + 4 * i);
    uint32_t want = i < 16 ? (table[3 * i + 2] | (table[3 * i + 1] << 8) | (table[3 * i] << 16)) : 0;
    ASSERT_EQ(entry, want) << i;
  }
  // Bottom row first; pixel values are the GIF's indices; zero padding.
  size_t px = 54 + 1024;
  for (int row = 0; row < 3; ++row) {
    int y = 2 - row;
    for (int x = 0; x < 601; ++x) ASSERT_EQ(uint8_t(bmp[px + row * 604 + x]), (y * 601 + x) % 16);
    for (int x = 601; x < 604; ++x) ASSERT_EQ(bmp[px + row * 604 + x], '\0');
  }
  EXPECT_FALSE(FileExists(dir / "wide.bmp.part"));
}

TEST(BmpFile, RidgeSizedUnderlayIs331078BytesAndReadsBack) {
  test::TempDir dir;
  TBitmap8 bmp(HalftonePalette());
  bmp.SetSize(600, 550);
  bmp.BrushColor = Rgb{255, 0, 0};
  bmp.FillRect({10, 20, 30, 40});
  bmp.SaveToFile(dir / "LOT_N0R_0.bmp");
  EXPECT_EQ(FileSize(dir / "LOT_N0R_0.bmp"), 331078);
  EXPECT_EQ(BmpFileSize(600, 550), 331078u);
  // Our own reader (the picture container's "bmp") gives the same pixels.
  std::string file = test::ReadFile(dir / "LOT_N0R_0.bmp");
  auto back = DecodeBmp({reinterpret_cast<const uint8_t*>(file.data()), file.size()});
  ASSERT_TRUE(back) << back.error();
  ASSERT_TRUE(back.value().isIndexed);
  EXPECT_EQ(back.value().indexed.GetPalette(), HalftonePalette());
  for (int y = 0; y < 550; y += 7)
    for (int x = 0; x < 600; x += 5) ASSERT_EQ(back.value().indexed.Pixel(x, y), bmp.Pixel(x, y));
  TBitmap8 empty;
  EXPECT_THROW(empty.SaveToFile(dir / "empty.bmp"), ImageError);
  EXPECT_THROW(bmp.SaveToFile(dir / "no-such-folder/x.bmp"), ImageError);
}

TEST(BmpFile, GifBmpIsTheSameOnEveryPlatform) {
  // A fixed GIF; the checksum below was taken from the native build and the
  // Windows build (under Wine) must give the same bytes.
  test::TempDir dir;
  test::GifRecipe recipe;
  recipe.width = 600;
  recipe.height = 550;
  recipe.globalTable = test::RampTable(64);
  test::GifFrameRecipe f;
  f.width = 600;
  f.height = 550;
  for (int y = 0; y < 550; ++y)
    for (int x = 0; x < 600; ++x) f.pixels.push_back(static_cast<uint8_t>(((x / 13) ^ (y / 11)) % 64));
  recipe.frames.push_back(f);
  test::WriteFile(dir / "ridge.gif", test::EncodeGif(recipe));
  TGifImage gif;
  gif.LoadFromFile(dir / "ridge.gif");
  gif.Bitmap().SaveToFile(dir / "ridge.bmp");
  std::string bmp = test::ReadFile(dir / "ridge.bmp");
  ASSERT_EQ(bmp.size(), 331078u);
  uLong crc = crc32(0, reinterpret_cast<const Bytef*>(bmp.data()), static_cast<uInt>(bmp.size()));
  EXPECT_EQ(crc, 2270548874u);
}

TEST(PictureDraw, TransparentPngOverAFreshWhiteBitmapStaysWhite) {
  OMBRIX_REQUIRE_TESTDATA();
  // tbbn3p08: palette PNG whose background entry is fully transparent.
  TPicture picture;
  picture.LoadFromFile(test::TestDataPath("pngsuite/tbbn3p08.png"));
  std::string file = test::ReadFile(test::TestDataPath("pngsuite/tbbn3p08.png"));
  auto rgba = DecodePngRgba({reinterpret_cast<const uint8_t*>(file.data()), file.size()}).take();
  TBitmap8 work(HalftonePalette());
  work.SetSize(picture.Width(), picture.Height());
  picture.Draw(work, 0, 0);
  const uint8_t white = work.MapColour(Rgb{255, 255, 255});
  int transparent = 0;
  for (int y = 0; y < rgba.height; ++y)
    for (int x = 0; x < rgba.width; ++x) {
      const uint8_t* p = &rgba.rgba[(y * rgba.width + x) * 4];
      if (p[3] == 0) {
        ++transparent;
        ASSERT_EQ(work.Pixel(x, y), white);
      } else {
        ASSERT_EQ(work.Pixel(x, y), NearestIndex(HalftonePalette(), Rgb{p[0], p[1], p[2]}));
      }
    }
  EXPECT_GT(transparent, 100);
}

TEST(PictureDraw, PartialAlphaBlendsWithWhatTheBitmapHolds) {
  OMBRIX_REQUIRE_TESTDATA();
  // basn6a08: RGBA with every alpha value; blend each over black and white.
  std::string file = test::ReadFile(test::TestDataPath("pngsuite/basn6a08.png"));
  auto rgba = DecodePngRgba({reinterpret_cast<const uint8_t*>(file.data()), file.size()}).take();
  TPicture picture;
  picture.LoadFromFile(test::TestDataPath("pngsuite/basn6a08.png"));
  for (Rgb under : {Rgb{255, 255, 255}, Rgb{0, 0, 0}}) {
    TBitmap8 work(HalftonePalette());
    work.BrushColor = under;
    work.SetSize(32, 32);
    picture.Draw(work, 0, 0);
    for (int i = 0; i < 32 * 32; ++i) {
      const uint8_t* p = &rgba.rgba[i * 4];
      auto mix = [&](uint8_t s, uint8_t d) { return uint8_t((s * p[3] + d * (255 - p[3]) + 127) / 255); };
      Rgb want = p[3] == 0 ? under : Rgb{mix(p[0], under.r), mix(p[1], under.g), mix(p[2], under.b)};
      ASSERT_EQ(work.Pixel(i % 32, i / 32), NearestIndex(HalftonePalette(), want)) << i;
    }
  }
}

TEST(PictureDraw, InterlacedAndPlainPngsDrawTheSame) {
  OMBRIX_REQUIRE_TESTDATA();
  for (const char* pair : {"3p08", "6a08", "0g04", "2c16"}) {
    TBitmap8 a(HalftonePalette()), b(HalftonePalette());
    TPicture picture;
    picture.LoadFromFile(test::TestDataPath(std::string("pngsuite/basn") + pair + ".png"));
    a.SetSize(40, 40);
    picture.Draw(a, 5, -3);
    picture.LoadFromFile(test::TestDataPath(std::string("pngsuite/basi") + pair + ".png"));
    b.SetSize(40, 40);
    picture.Draw(b, 5, -3);
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 40; ++x) ASSERT_EQ(a.Pixel(x, y), b.Pixel(x, y)) << pair << " " << x << "," << y;
  }
}

}  // namespace
}  // namespace ombrix

namespace ombrix {
namespace {

TEST(WorkObjects, SharedBitmapsAreCreatedWithTheirSettings) {
  TBitmap8 work = NewWorkBitmap(), text = NewTextBitmap();
  EXPECT_EQ(work.GetPalette(), HalftonePalette());
  EXPECT_TRUE(work.Transparent);
  EXPECT_EQ(work.TransparentColor, (Rgb{0, 0, 0}));
  EXPECT_EQ(work.BrushColor, (Rgb{255, 255, 255}));
  EXPECT_EQ(text.GetPalette(), HalftonePalette());
  EXPECT_EQ(text.Font.face, "Arial");
  EXPECT_EQ(text.Font.points, 10);
  EXPECT_EQ(text.Font.color, (Rgb{0, 0, 0}));
  EXPECT_TRUE(work.IsEmpty());
  // Drawing WorkBitmap onto TextBitmap skips its black: the composite's
  // black pixels come out white.
  work.SetSize(4, 1);
  work.BrushColor = Rgb{};
  work.FillRect({0, 0, 2, 1});
  work.BrushColor = Rgb{255, 0, 0};
  work.FillRect({2, 0, 3, 1});
  text.SetSize(4, 1);
  text.Draw(0, 0, work);
  EXPECT_EQ(text.PixelColour(0, 0), (Rgb{255, 255, 255}));
  EXPECT_EQ(text.PixelColour(2, 0), (Rgb{255, 0, 0}));
  EXPECT_EQ(text.PixelColour(3, 0), (Rgb{255, 255, 255}));
}

}  // namespace
}  // namespace ombrix

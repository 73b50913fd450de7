// GIF decoding against files made by the test encoder: every feature a
// RIDGE image or legend may use, and the broken files a download may leave.
#include <gtest/gtest.h>

#include <random>

#include "imaging/GifDecoder.h"
#include "imaging/WorkObjects.h"
#include "support/GifEncoder.h"
#include "support/TempDir.h"

namespace ombrix {
namespace {

using test::EncodeGif;
using test::GifFrameRecipe;
using test::GifRecipe;
using test::RampTable;

std::span<const uint8_t> Bytes(const std::string& s) { return {reinterpret_cast<const uint8_t*>(s.data()), s.size()}; }

std::vector<uint8_t> Pattern(int width, int height, int colours, unsigned seed = 1) {
  std::vector<uint8_t> px(static_cast<size_t>(width) * height);
  std::mt19937 rng(seed);
  for (size_t i = 0; i < px.size(); ++i) {
    // Runs of equal colours with some noise, like radar echoes.
    px[i] = static_cast<uint8_t>(((i / 7) + (rng() % 3 == 0 ? rng() : 0)) % colours);
  }
  return px;
}

GifRecipe OneFrame(int width, int height, int colours, std::vector<uint8_t> pixels) {
  GifRecipe recipe;
  recipe.width = width;
  recipe.height = height;
  recipe.globalTable = RampTable(colours);
  GifFrameRecipe f;
  f.width = width;
  f.height = height;
  f.pixels = std::move(pixels);
  recipe.frames.push_back(std::move(f));
  return recipe;
}

Palette Ramp(int n) {
  auto t = RampTable(n);
  Palette p;
  for (int i = 0; i < n; ++i) p.push_back(Rgb{t[3 * i], t[3 * i + 1], t[3 * i + 2]});
  return p;
}

TEST(GifDecoder, EveryColourCountRoundTrips) {
  for (int colours : {2, 3, 4, 8, 16, 17, 64, 128, 255, 256}) {
    auto px = Pattern(37, 23, colours, colours);
    std::string file = EncodeGif(OneFrame(37, 23, colours, px));
    auto gif = DecodeGif(Bytes(file));
    ASSERT_TRUE(gif) << colours << ": " << gif.error();
    EXPECT_EQ(gif.value().width, 37);
    EXPECT_EQ(gif.value().first.pixels, px) << colours;
    // The table holds the next power of two entries, the rest black.
    EXPECT_EQ(gif.value().globalTable.size() >= static_cast<size_t>(colours), true);
    for (int i = 0; i < colours; ++i) EXPECT_EQ(gif.value().globalTable[i], Ramp(colours)[i]);
  }
}

TEST(GifDecoder, CodeSizeGrowsToTwelveBitsWithAndWithoutClearCodes) {
  // Noise fills the 4096-entry table many times over.
  std::vector<uint8_t> px(300 * 200);
  std::mt19937 rng(7);
  for (auto& p : px) p = static_cast<uint8_t>(rng());
  for (bool clear : {true, false}) {
    GifRecipe recipe = OneFrame(300, 200, 256, px);
    recipe.clearWhenFull = clear;
    auto gif = DecodeGif(Bytes(EncodeGif(recipe)));
    ASSERT_TRUE(gif) << gif.error();
    EXPECT_EQ(gif.value().first.pixels, px) << (clear ? "with clear codes" : "full table kept");
  }
  // Few colours and long runs: long strings in a full table.
  auto runs = Pattern(640, 480, 4);
  GifRecipe recipe = OneFrame(640, 480, 4, runs);
  recipe.clearWhenFull = false;
  auto gif = DecodeGif(Bytes(EncodeGif(recipe)));
  ASSERT_TRUE(gif) << gif.error();
  EXPECT_EQ(gif.value().first.pixels, runs);
}

TEST(GifDecoder, InterlacedLocalTableAnd87a) {
  auto px = Pattern(50, 29, 16);
  GifRecipe recipe = OneFrame(50, 29, 4, {});
  recipe.version87a = true;
  recipe.frames[0].pixels = px;
  recipe.frames[0].interlaced = true;
  recipe.frames[0].localTable = RampTable(16);
  auto gif = DecodeGif(Bytes(EncodeGif(recipe)));
  ASSERT_TRUE(gif) << gif.error();
  EXPECT_TRUE(gif.value().first.interlaced);
  EXPECT_EQ(gif.value().first.pixels, px);
  TBitmap8 bmp = RenderGifFrame(gif.value());
  // The active table is the local one, and the indices are kept.
  EXPECT_EQ(bmp.GetPalette(), Ramp(16));
  for (int y = 0; y < 29; ++y)
    for (int x = 0; x < 50; ++x) ASSERT_EQ(bmp.Pixel(x, y), px[y * 50 + x]);
}

TEST(GifDecoder, FrameAtTheOriginReachingPastTheScreenShowsItsOwnTable) {
  // Screen 40 x 20, frame 50 x 29 at (0, 0) with a local table of its own.
  auto px = Pattern(50, 29, 16);
  GifRecipe recipe = OneFrame(50, 29, 4, px);
  recipe.width = 40;
  recipe.height = 20;
  recipe.frames[0].localTable = RampTable(16);
  auto gif = DecodeGif(Bytes(EncodeGif(recipe)));
  ASSERT_TRUE(gif) << gif.error();
  TBitmap8 bmp = RenderGifFrame(gif.value());
  EXPECT_EQ(bmp.GetPalette(), Ramp(16));
  ASSERT_EQ(bmp.Width(), 40);
  ASSERT_EQ(bmp.Height(), 20);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(bmp.Pixel(x, y), px[y * 50 + x]);
}

TEST(GifDecoder, SmallFrameLiesOnTheScreenAtItsPositionAndLaterFramesAreCounted) {
  GifRecipe recipe;
  recipe.width = 20;
  recipe.height = 10;
  recipe.globalTable = RampTable(8);
  recipe.background = 5;
  GifFrameRecipe f;
  f.left = 3;
  f.top = 2;
  f.width = 4;
  f.height = 3;
  f.pixels = {1, 2, 3, 4, 1, 2, 3, 4, 7, 7, 7, 7};
  f.localTable = RampTable(8);
  f.transparentIndex = 1;  // never applied
  recipe.frames.push_back(f);
  recipe.frames.push_back(f);
  auto gif = DecodeGif(Bytes(EncodeGif(recipe)));
  ASSERT_TRUE(gif) << gif.error();
  EXPECT_EQ(gif.value().frameCount, 2);
  EXPECT_EQ(gif.value().first.transparentIndex, 1);
  TBitmap8 bmp = RenderGifFrame(gif.value());
  EXPECT_EQ(bmp.Width(), 20);
  EXPECT_EQ(bmp.Height(), 10);
  EXPECT_EQ(bmp.GetPalette(), Ramp(8));  // the global table
  EXPECT_EQ(bmp.Pixel(0, 0), 5);         // background index outside the frame
  EXPECT_EQ(bmp.Pixel(3, 2), 1);
  EXPECT_EQ(bmp.Pixel(6, 3), 4);
  EXPECT_EQ(bmp.Pixel(5, 4), 7);
  EXPECT_EQ(bmp.Pixel(7, 2), 5);
}

TEST(GifDecoder, BrokenFilesAreErrorsNotCrashes) {
  std::string good = EncodeGif(OneFrame(64, 48, 16, Pattern(64, 48, 16)));
  ASSERT_TRUE(DecodeGif(Bytes(good)));
  // Every truncation inside the first frame fails with a message.
  size_t frameEnd = good.size() - 1;  // before the trailer
  for (size_t n = 0; n < frameEnd; n += (n < 900 ? 1 : 37)) {
    auto r = DecodeGif(Bytes(good.substr(0, n)));
    ASSERT_FALSE(r) << "accepted a file cut at " << n;
    EXPECT_FALSE(r.error().empty());
  }
  // A missing trailer after a whole frame is tolerated.
  EXPECT_TRUE(DecodeGif(Bytes(good.substr(0, frameEnd))));

  EXPECT_EQ(DecodeGif(Bytes("GIF88a" + good.substr(6))).error(), "Not a GIF file");
  std::string noTable = good;
  noTable[10] = 0;  // no global table, and the frame has none
  EXPECT_FALSE(DecodeGif(Bytes(noTable)));
  // Codes beyond the table: garbage LZW data.
  std::string garbage = good;
  size_t dataStart = 13 + 48 + 9 + 10 + 2;  // header, table, comment, descriptor, code size, first block length
  for (size_t i = dataStart; i < dataStart + 40; ++i) garbage[i] = static_cast<char>(0xFF);
  EXPECT_FALSE(DecodeGif(Bytes(garbage)));
}

TEST(GifDecoder, HugeDeclaredScreenIsRefusedBeforeAllocating) {
  GifRecipe recipe = OneFrame(4, 4, 4, std::vector<uint8_t>(16, 1));
  recipe.width = 65535;
  recipe.height = 65535;
  auto r = DecodeGif(Bytes(EncodeGif(recipe)));
  ASSERT_FALSE(r);
  EXPECT_NE(r.error().find("too large"), std::string::npos) << r.error();
}

TEST(GifDecoder, FuzzFindingsStayFixed) {
  // A 59-byte file declaring a frame of millions of pixels: refused from its
  // data size instead of allocating and decoding the frame (fuzzer timeout).
  static const char kHugeFrame[] = "\x47\x49\x46\x38\x39\x61\x01\x0e\x01\x18\x80\x00\x00\xff\xff\x00\x00\x00\x00\x2c\x20\x21\x18\x00\x00\x21\xb8\x49\x46\x02\x02\x04\x01\x10\x41\x00\x01\x47\x49\x46\x37\x01\x00\x00\x00\x00\x00\x2c\x00\x00\x00\x00\x01\x04\x04\x04\x06\xfe\x00";
  auto r = DecodeGif({reinterpret_cast<const uint8_t*>(kHugeFrame), sizeof kHugeFrame - 1});
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error(), "GIF image data is incomplete");
}

TEST(GifObject, LoadRenderEmpty) {
  test::TempDir dir;
  auto px = Pattern(120, 110, 16);
  test::WriteFile(dir / "LOT_N0R_0.gif", EncodeGif(OneFrame(120, 110, 16, px)));
  TGifImage gif;
  EXPECT_TRUE(gif.IsEmpty());
  gif.Empty();  // emptying an empty object does nothing
  gif.LoadFromFile(dir / "lot_n0r_0.GIF");  // names match without regard to case
  EXPECT_EQ(gif.Width(), 120);
  EXPECT_EQ(gif.Height(), 110);
  EXPECT_EQ(gif.Bitmap().Pixel(10, 10), px[10 * 120 + 10]);
  gif.Empty();
  EXPECT_TRUE(gif.IsEmpty());
  EXPECT_EQ(gif.Width(), 0);
  EXPECT_THROW(gif.LoadFromFile(dir / "missing.gif"), ImageError);
  test::WriteFile(dir / "bad.gif", "GIF89a");
  EXPECT_THROW(gif.LoadFromFile(dir / "bad.gif"), ImageError);
}

}  // namespace
}  // namespace ombrix

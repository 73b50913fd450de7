// PNG decoding against the PngSuite conformance images and their reference
// pixels, plus the rules of transparency and the size guard.
#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <filesystem>

#include "imaging/PngDecoder.h"
#include "imaging/WorkObjects.h"
#include "support/PngEncoder.h"
#include "support/TempDir.h"

namespace ombrix {
namespace {

std::vector<std::string> SuiteFiles() {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(test::TestDataPath("pngsuite"), ec))
    if (e.path().extension() == ".png") names.push_back(e.path().stem().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::span<const uint8_t> Bytes(const std::string& s) { return {reinterpret_cast<const uint8_t*>(s.data()), s.size()}; }

TEST(PngSuite, EveryValidFileDecodesToItsReference) {
  OMBRIX_REQUIRE_TESTDATA();
  auto names = SuiteFiles();
  ASSERT_GT(names.size(), 150u) << "PngSuite not found under " << test::TestDataPath("pngsuite");
  int compared = 0;
  for (const std::string& name : names) {
    if (name[0] == 'x') continue;
    std::string file = test::ReadFile(test::TestDataPath("pngsuite/" + name + ".png"));
    auto image = DecodePngRgba(Bytes(file));
    ASSERT_TRUE(image) << name << ": " << image.error();
    std::string expected = test::ReadFile(test::TestDataPath("pngsuite/rgba8/" + name + ".rgba"));
    if (expected.empty()) continue;  // the suite has no reference for a few
    ASSERT_EQ(image.value().rgba.size(), expected.size()) << name;
    // 16-bit samples: the reference rounds its own way, so allow one step.
    const int tolerance = name.substr(name.size() - 2) == "16" ? 1 : 0;
    size_t diff = 0;
    while (diff < expected.size() &&
           std::abs(image.value().rgba[diff] - static_cast<uint8_t>(expected[diff])) <= tolerance)
      ++diff;
    EXPECT_EQ(diff, expected.size()) << name << ": first difference at pixel " << diff / 4 << " channel " << diff % 4;
    ++compared;
  }
  EXPECT_GT(compared, 135);
}

TEST(PngSuite, EveryCorruptFileIsRejectedWithAMessage) {
  OMBRIX_REQUIRE_TESTDATA();
  int rejected = 0;
  for (const std::string& name : SuiteFiles()) {
    if (name[0] != 'x') continue;
    std::string file = test::ReadFile(test::TestDataPath("pngsuite/" + name + ".png"));
    auto image = DecodePngRgba(Bytes(file));
    EXPECT_FALSE(image) << name << " was accepted";
    if (!image) {
      EXPECT_FALSE(image.error().empty());
    }
    // The picture container refuses them at load, before anything is drawn.
    TPicture picture;
    EXPECT_THROW(picture.LoadFromFile(test::TestDataPath("pngsuite/" + name + ".png")), ImageError) << name;
    EXPECT_EQ(picture.Width(), 0);
    ++rejected;
  }
  EXPECT_GE(rejected, 14);
}

TEST(PngSuite, TransparencyKinds) {
  OMBRIX_REQUIRE_TESTDATA();
  auto kind = [](const char* name) {
    std::string file = test::ReadFile(test::TestDataPath(std::string("pngsuite/") + name + ".png"));
    auto info = ParsePng(Bytes(file));
    EXPECT_TRUE(info) << name;
    return info ? info.value().transparency : PngTransparency::None;
  };
  EXPECT_EQ(kind("basn3p08"), PngTransparency::None);
  EXPECT_EQ(kind("basn2c08"), PngTransparency::None);
  EXPECT_EQ(kind("tbbn0g04"), PngTransparency::SingleColour);  // grey key
  EXPECT_EQ(kind("tbrn2c08"), PngTransparency::SingleColour);  // RGB key
  EXPECT_EQ(kind("tp1n3p08"), PngTransparency::SingleColour);  // one palette entry fully transparent
  EXPECT_EQ(kind("tm3n3p02"), PngTransparency::Partial);       // palette alpha values
  EXPECT_EQ(kind("basn6a08"), PngTransparency::Partial);       // alpha channel
  EXPECT_EQ(kind("basn4a16"), PngTransparency::Partial);
}

TEST(PngDecoder, TruncationsAndDamagedDataAreErrors) {
  OMBRIX_REQUIRE_TESTDATA();
  std::string good = test::ReadFile(test::TestDataPath("pngsuite/basn3p08.png"));
  ASSERT_TRUE(DecodePngRgba(Bytes(good)));
  for (size_t n = 0; n < good.size(); n += 13) EXPECT_FALSE(DecodePngRgba(Bytes(good.substr(0, n)))) << n;
  // A flipped bit anywhere in a critical chunk breaks its CRC and the file.
  for (size_t at = 8; at + 12 <= good.size();) {
    const size_t length = (uint8_t(good[at]) << 24 | uint8_t(good[at + 1]) << 16 | uint8_t(good[at + 2]) << 8 |
                           uint8_t(good[at + 3]));
    const bool critical = good[at + 4] >= 'A' && good[at + 4] <= 'Z';
    for (size_t i = at; critical && i < at + 12 + length; i += 37) {
      std::string bad = good;
      bad[i] ^= 0x10;
      EXPECT_FALSE(DecodePngRgba(Bytes(bad))) << i;
    }
    at += 12 + length;
  }
}

TEST(PngDecoder, OptionalChunkFaultsAreForgivenAsTheReferenceLibraryDoes) {
  const Palette pal = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
  const std::vector<uint8_t> px = {0, 1, 2, 0, 2, 1};
  // tRNS longer than the palette: cut to the palette.
  test::PngRecipe r;
  r.width = 3;
  r.height = 2;
  r.palette = pal;
  r.trns = std::string("\x00\x80\xff\x10\x20", 5);
  r.rawRows.assign(px.begin(), px.end());
  auto image = DecodePngRgba(Bytes(test::EncodePng(r)));
  ASSERT_TRUE(image) << image.error();
  EXPECT_EQ(image.value().rgba[3], 0);
  EXPECT_EQ(image.value().rgba[7], 0x80);
  EXPECT_EQ(image.value().rgba[11], 0xff);
  // A damaged text chunk is dropped; the image is the same as without it.
  std::string text = test::PngChunk("tEXt", std::string("Comment\0radar", 13));
  text[text.size() - 1] ^= 1;
  r.extraChunks = text;
  auto withBadText = DecodePngRgba(Bytes(test::EncodePng(r)));
  ASSERT_TRUE(withBadText) << withBadText.error();
  EXPECT_EQ(withBadText.value().rgba, image.value().rgba);
}

TEST(PngDecoder, WorkingRowsObeyTheBitmapLimit) {
  // 67 108 864 x 1 RGBA16: a 64 MB bitmap, but 512 MB per filter row.
  test::PngRecipe r;
  r.width = 67108864;
  r.height = 1;
  r.colourType = 6;
  r.bitDepth = 16;
  auto info = ParsePng(Bytes(test::EncodePng(r)));
  ASSERT_FALSE(info);
  EXPECT_NE(info.error().find("too large"), std::string::npos) << info.error();
  // The composites' widths are far inside it.
  r.width = 6000;
  r.rawRows.assign(6000 * 8, '\x7f');
  EXPECT_TRUE(ParsePng(Bytes(test::EncodePng(r))));
}

TEST(PngDecoder, HugeDeclaredSizeIsRefusedBeforeAllocating) {
  OMBRIX_REQUIRE_TESTDATA();
  // basn0g08 with its IHDR saying 70000 x 70000 (and the CRC made to match).
  std::string file = test::ReadFile(test::TestDataPath("pngsuite/basn0g08.png"));
  ASSERT_GT(file.size(), 33u);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) file[at + i] = static_cast<char>(v >> (24 - 8 * i));
  };
  put32(16, 70000);
  put32(20, 70000);
  put32(29, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(file.data()) + 12, 17)));
  auto info = ParsePng(Bytes(file));
  ASSERT_FALSE(info);
  EXPECT_NE(info.error().find("too large"), std::string::npos) << info.error();
  // Within the limit, but far more pixels than its few bytes of data can
  // hold: refused before any bitmap is sized for it.
  put32(16, 9000);
  put32(20, 9000);
  put32(29, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(file.data()) + 12, 17)));
  info = ParsePng(Bytes(file));
  ASSERT_FALSE(info);
  EXPECT_EQ(info.error(), "PNG image data is incomplete");
}

TEST(Picture, PicksTheDecoderByExtension) {
  OMBRIX_REQUIRE_TESTDATA();
  test::TempDir dir;
  std::string png = test::ReadFile(test::TestDataPath("pngsuite/basn3p08.png"));
  test::WriteFile(dir / "a.PNG", png);
  test::WriteFile(dir / "b.gif", png);
  test::WriteFile(dir / "c.jpg", png);
  TPicture picture;
  EXPECT_EQ(picture.Width(), 0);
  picture.LoadFromFile(dir / "a.PNG");
  EXPECT_EQ(picture.Width(), 32);
  EXPECT_EQ(picture.Height(), 32);
  EXPECT_THROW(picture.LoadFromFile(dir / "b.gif"), ImageError);  // a PNG is not a GIF
  EXPECT_THROW(picture.LoadFromFile(dir / "c.jpg"), ImageError);
  picture.Empty();
  picture.Empty();
  EXPECT_EQ(picture.Width(), 0);
}

}  // namespace
}  // namespace ombrix

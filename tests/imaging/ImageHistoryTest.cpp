// The image history on real files in a temporary folder, names in mixed
// case, ages set explicitly.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "app/ProcessState.h"
#include "imaging/ImageHistory.h"
#include "support/TempDir.h"
#include "util/FileUtil.h"

namespace ombrix {
namespace {

namespace fs = std::filesystem;

class ImageHistory : public ::testing::Test {
 protected:
  void SetUp() override { ResetProcessState(); }
  void TearDown() override { ResetProcessState(); }

  // A file of `size` bytes whose content names it, `age` minutes old.
  void Make(const std::string& name, int age, size_t size = 30000, const std::string& tag = "") {
    std::string content = (tag.empty() ? name : tag) + "|";
    content.resize(size, 'x');
    test::WriteFile(dir / name, content);
    fs::last_write_time(fs::path(dir / name), fs::file_time_type::clock::now() - std::chrono::minutes(age));
  }
  // The tag written into a file, or "" when it is missing.
  std::string Tag(const std::string& name) {
    if (!FileExists(dir / name)) return "";
    std::string c = test::ReadFile(ResolvePath(dir / name));
    return c.substr(0, c.find('|'));
  }
  // File names in the folder, upper-cased, sorted.
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.Path())) names.push_back(UpperCase(e.path().filename().string()));
    std::sort(names.begin(), names.end());
    return names;
  }
  static std::string UpperCase(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
  }

  test::TempDir dir;
};

TEST_F(ImageHistory, WorkedExampleShiftsTheWholeHistoryByAge) {
  Make("Lot_N0R_0.bmp", 0, 30000, "current");
  Make("lot_n0r_0.Sat", 0, 40, "bounds");
  for (int k = 1; k <= 9; ++k) Make("lot_N0R_0" + std::to_string(k) + ".BMP", k * 10, 30000, "old" + std::to_string(k));
  Make("LOT_N0R_05.sat", 50, 40, "bounds5");

  EXPECT_EQ(ShiftImageHistory(dir / "Lot_N0R_0.bmp"), 30000);

  EXPECT_FALSE(FileExists(dir / "LOT_N0R_0.bmp"));
  EXPECT_EQ(Tag("LOT_N0R_01.bmp"), "current");
  for (int k = 2; k <= 9; ++k) EXPECT_EQ(Tag("LOT_N0R_0" + std::to_string(k) + ".bmp"), "old" + std::to_string(k - 1));
  // old9 left the history; no work files remain.
  EXPECT_FALSE(FileExists(dir / "LOT_N0R_010.tmp"));
  EXPECT_FALSE(FileExists(dir / "LOT_N0R_010.bmp"));
  for (const std::string& n : Names()) EXPECT_EQ(n.find(".TMP"), std::string::npos) << n;
  // Each image has bounds; an existing bounds file stays under its number.
  for (int k = 1; k <= 9; ++k) EXPECT_TRUE(FileExists(dir / ("LOT_N0R_0" + std::to_string(k) + ".sat"))) << k;
  EXPECT_EQ(Tag("LOT_N0R_05.sat"), "bounds5");
  EXPECT_EQ(Tag("LOT_N0R_03.sat"), "bounds");
  EXPECT_EQ(Tag("LOT_N0R_0.Sat"), "bounds");
}

TEST_F(ImageHistory, SmallOrMissingUnderlayIsNotShifted) {
  EXPECT_EQ(ShiftImageHistory(dir / "LOT_N0R_0.bmp"), -1);
  Make("LOT_N0R_0.bmp", 0, 9999);
  Make("LOT_N0R_01.bmp", 5);
  EXPECT_EQ(ShiftImageHistory(dir / "lot_n0r_0.bmp"), 9999);
  EXPECT_EQ(Tag("LOT_N0R_0.bmp"), "LOT_N0R_0.bmp");
  EXPECT_EQ(Tag("LOT_N0R_01.bmp"), "LOT_N0R_01.bmp");
}

TEST_F(ImageHistory, LoneUnderlayBecomesNumberOneWithBoundsForBothNamingStyles) {
  Make("ConUs.bmp", 0, 20000, "conus");
  Make("ConUs.Sat", 0, 40, "conus-bounds");
  Make("LOT_N0R_0.bmp", 0, 20000, "lot");
  Make("LOT_N0R_0.Sat", 0, 40, "lot-bounds");
  EXPECT_EQ(ShiftImageHistory(dir / "ConUs.bmp"), 20000);
  EXPECT_EQ(ShiftImageHistory(dir / "LOT_N0R_0.bmp"), 20000);
  EXPECT_EQ(Tag("CONUS1.bmp"), "conus");
  EXPECT_EQ(Tag("CONUS1.sat"), "conus-bounds");
  EXPECT_EQ(Tag("LOT_N0R_01.bmp"), "lot");
  EXPECT_EQ(Tag("LOT_N0R_01.sat"), "lot-bounds");
  EXPECT_FALSE(FileExists(dir / "ConUs.bmp"));
  // The files it creates carry upper-case base names.
  auto names = Names();
  EXPECT_NE(std::find(names.begin(), names.end(), "CONUS1.BMP"), names.end());
}

TEST_F(ImageHistory, ElevenFilesLoseTheOldestBeforeTheShift) {
  Make("CONUS.bmp", 0, 30000, "current");
  for (int k = 1; k <= 9; ++k) Make("CONUS" + std::to_string(k) + ".bmp", k * 10, 30000, "h" + std::to_string(k));
  Make("CONUS0.bmp", 100, 30000, "oldest");  // also matches CONUS?.bmp
  EXPECT_EQ(ShiftImageHistory(dir / "CONUS.bmp"), 30000);
  EXPECT_EQ(Tag("CONUS1.bmp"), "current");
  for (int k = 2; k <= 9; ++k) EXPECT_EQ(Tag("CONUS" + std::to_string(k) + ".bmp"), "h" + std::to_string(k - 1));
  EXPECT_FALSE(FileExists(dir / "CONUS0.bmp"));
  EXPECT_FALSE(FileExists(dir / "CONUS10.bmp"));
  EXPECT_FALSE(FileExists(dir / "CONUS.bmp"));
}

TEST_F(ImageHistory, TrimmingNeverDeletesTheCurrentUnderlayEvenWhenItIsTheOldest) {
  // Named in another case than the caller's path, as the listing gives it.
  Make("conus.bmp", 500, 30000, "current");
  for (int k = 0; k <= 9; ++k) Make("CONUS" + std::to_string(k) + ".bmp", k * 10, 30000, "h" + std::to_string(k));
  EXPECT_EQ(ShiftImageHistory(dir / "ConUs.bmp"), 30000);
  EXPECT_EQ(Tag("conus.bmp"), "current");
}

TEST_F(ImageHistory, NumbersOutOfAgeOrderAreRenumberedAndStrayWorkFilesAbsorbed) {
  Make("LOT_N0R_0.bmp", 0, 30000, "current");
  Make("LOT_N0R_01.bmp", 30, 30000, "oldest");
  Make("LOT_N0R_02.bmp", 10, 30000, "newer");
  // Images an interrupted shift left under work names, one of them a name
  // the shift needs: both are history images and keep their place by age.
  Make("LOT_N0R_05.tmp", 20, 30000, "stray-work");
  Make("LOT_N0R_02.tmp", 40, 30000, "work-name-needed");
  EXPECT_EQ(ShiftImageHistory(dir / "LOT_N0R_0.bmp"), 30000);
  EXPECT_EQ(Tag("LOT_N0R_01.bmp"), "current");
  EXPECT_EQ(Tag("LOT_N0R_02.bmp"), "newer");
  EXPECT_EQ(Tag("LOT_N0R_03.bmp"), "stray-work");
  EXPECT_EQ(Tag("LOT_N0R_04.bmp"), "oldest");
  EXPECT_EQ(Tag("LOT_N0R_05.bmp"), "work-name-needed");
  for (const std::string& n : Names()) EXPECT_EQ(n.find(".TMP"), std::string::npos) << n;
}

TEST_F(ImageHistory, AShiftKilledHalfWayLosesNoImageAtTheNextShift) {
  // Killed after two renames of step 7: the old current underlay and number
  // 1 are work files 1 and 2, numbers 2 and 3 still images; then the next
  // conversion wrote a new current underlay without a shift.
  Make("CONUS.bmp", 0, 30000, "new");
  Make("CONUS1.tmp", 10, 30000, "was-current");
  Make("CONUS2.tmp", 20, 30000, "was-1");
  Make("CONUS2.bmp", 30, 30000, "was-2");
  Make("CONUS3.bmp", 40, 30000, "was-3");
  Make("CONUS.Sat", 0, 100, "bounds");
  EXPECT_EQ(ShiftImageHistory(dir / "CONUS.bmp"), 30000);
  const char* byAge[] = {"new", "was-current", "was-1", "was-2", "was-3"};
  for (int k = 1; k <= 5; ++k) {
    EXPECT_EQ(Tag("CONUS" + std::to_string(k) + ".bmp"), byAge[k - 1]) << k;
    EXPECT_EQ(Tag("CONUS" + std::to_string(k) + ".sat"), "bounds") << k;
  }
  for (const std::string& n : Names()) EXPECT_EQ(n.find(".TMP"), std::string::npos) << n;
  for (const std::string& n : Names()) EXPECT_EQ(n.find(".PART"), std::string::npos) << n;
}

TEST_F(ImageHistory, WorkFilesBeyondTheNineNumbersPushOutTheOldestImagesNotTheNewest) {
  // Killed after seven renames of step 7, then a new current underlay: the
  // seven work files are newer than the three images still numbered 7 to 9.
  Make("LOT_N0R_0.bmp", 0, 30000, "new");
  for (int k = 1; k <= 7; ++k) Make("LOT_N0R_0" + std::to_string(k) + ".tmp", k * 10, 30000, "w" + std::to_string(k));
  for (int k = 7; k <= 9; ++k) Make("LOT_N0R_0" + std::to_string(k) + ".bmp", k * 10 + 10, 30000, "h" + std::to_string(k));
  EXPECT_EQ(ShiftImageHistory(dir / "LOT_N0R_0.bmp"), 30000);
  const char* byAge[] = {"new", "w1", "w2", "w3", "w4", "w5", "w6", "w7", "h7"};
  for (int k = 1; k <= 9; ++k) EXPECT_EQ(Tag("LOT_N0R_0" + std::to_string(k) + ".bmp"), byAge[k - 1]) << k;
  for (const std::string& n : Names()) EXPECT_EQ(n.find(".TMP"), std::string::npos) << n;
}

TEST_F(ImageHistory, ClosingStopsBeforeAnythingMoves) {
  Make("LOT_N0R_0.bmp", 0);
  Make("LOT_N0R_01.bmp", 5);
  Closing = true;
  EXPECT_EQ(ShiftImageHistory(dir / "LOT_N0R_0.bmp"), 30000);
  EXPECT_EQ(Tag("LOT_N0R_0.bmp"), "LOT_N0R_0.bmp");
  EXPECT_EQ(Tag("LOT_N0R_01.bmp"), "LOT_N0R_01.bmp");
}

TEST_F(ImageHistory, BlanksInTheNameBecomeUnderscoresInThePattern) {
  // "NJ Fort Dix.bmp": the first blank is the third character, so the
  // pattern drops "NJ " and reads Fort_Dix?.bmp.
  Make("NJ Fort Dix.bmp", 0, 30000, "current");
  Make("Fort_Dix1.bmp", 10, 30000, "older");
  EXPECT_EQ(ShiftImageHistory(dir / "NJ Fort Dix.bmp"), 30000);
  // The underlay itself does not match the pattern, so only the history
  // file moves; the underlay stays for the caller to overwrite.
  EXPECT_EQ(Tag("NJ Fort Dix.bmp"), "current");
  EXPECT_EQ(Tag("FORT_DIX1.bmp"), "older");
}

}  // namespace
}  // namespace ombrix

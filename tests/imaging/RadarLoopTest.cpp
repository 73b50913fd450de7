// The radar loop and zoom against a real underlay folder: which frames play
// in which order, what UI-View32 is asked, and that every file has its own
// name again however the loop ends.
#include "imaging/RadarLoop.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "app/ProcessState.h"
#include "support/TempDir.h"
#include "util/Clock.h"
#include "util/FileUtil.h"

using namespace ombrix;
using ombrix::test::ReadFile;
using ombrix::test::TempDir;
using ombrix::test::WriteFile;

namespace {

// The window and host as the loop sees them; each redraw records which
// image had the underlay's name at that moment.
class FakeLoopWindow : public LoopWindow {
 public:
  TRadarList list;
  ServerSettings servers = ServerSettings::Defaults();
  std::string mapName = "PMAPSERVER7 US", folder, underlay = "LOT_N0R_0.bmp";
  bool passRunning = false, timerEnabled = true;
  std::string loopCaption, zoomCaption, loopItem = "&Loop Radar";
  bool zoomEnabled = true, loopEnabled = false;
  std::vector<std::string> shownAtRedraw, zooms;
  std::vector<bool> loopRunningAtRedraw;
  std::function<void(int)> onRedraw;  // gets the redraw's number, from 1
  int statusRefreshes = 0;

  const TRadarList& Records() override { return list; }
  const ServerSettings& Servers() override { return servers; }
  std::string MapName() override { return mapName; }
  std::string UnderlayFolder() override { return folder; }
  std::string UnderlayName() override { return underlay; }
  bool PassRunning() override { return passRunning; }
  void SetLoopTimerEnabled(bool enabled) override { timerEnabled = enabled; }
  void SetLoopCaption(const std::string& text) override { loopCaption = text; }
  void SetTimeCaption(const std::string&) override {}
  void SetMemoryCaption(const std::string&, bool) override {}
  void SetZoomItem(const std::string& caption, bool enabled) override {
    zoomCaption = caption;
    zoomEnabled = enabled;
  }
  void SetZoomItemEnabled(bool enabled) override { zoomEnabled = enabled; }
  void SetLoopItemCaption(const std::string& caption) override { loopItem = caption; }
  void SetLoopItemEnabled(bool enabled) override { loopEnabled = enabled; }
  void RefreshUiViewStatus() override { ++statusRefreshes; }
  void ProcessMessages() override {}
  void ClickRedraw() override {
    shownAtRedraw.push_back(FileExists(folder + underlay) ? ReadFile(folder + underlay) : "<none>");
    loopRunningAtRedraw.push_back(LoopRunning);
    if (onRedraw) onRedraw(static_cast<int>(shownAtRedraw.size()));
  }
  void ZoomToArea(double w, double n, double e, double s) override {
    zooms.push_back(std::to_string(w) + " " + std::to_string(n) + " " + std::to_string(e) + " " + std::to_string(s));
  }
};

class RadarLoopTest : public ::testing::Test {
 protected:
  TempDir dir;
  FakeLoopWindow w;
  RadarLoop loop{w};

  void SetUp() override {
    ResetProcessState();
    w.folder = dir.Path();
    WriteFile(dir / "LOT_N0R_0.bmp", "current");
  }
  void TearDown() override { ResetProcessState(); }

  // History image n (1 newest ... 9 oldest) with its bounds file.
  void History(int n, bool bounds = true) {
    const std::string name = dir / ("LOT_N0R_0" + std::to_string(n));
    WriteFile(name + ".bmp", "frame" + std::to_string(n));
    if (bounds) WriteFile(name + ".Sat", "bounds");
    std::filesystem::last_write_time(name + ".bmp",
                                     std::filesystem::file_time_type::clock::now() - std::chrono::minutes(n));
  }
  TRadarObj& Record(const std::string& baseName, bool accumulate) {
    auto* r = w.list.Add(baseName + std::to_string(w.list.Count()), std::make_unique<TRadarObj>());
    r->BaseName = baseName;
    r->BmpFile = baseName + ".bmp";
    r->Accumulate = accumulate;
    return *r;
  }
  // The folder's names and contents are as before the loop.
  void ExpectNamesRestored(int historyCount) {
    EXPECT_EQ(ReadFile(dir / "LOT_N0R_0.bmp"), "current");
    EXPECT_FALSE(FileExists(dir / "LOT_N0R_0.tmp"));
    for (int n = 1; n <= historyCount; ++n)
      EXPECT_EQ(ReadFile(dir / ("LOT_N0R_0" + std::to_string(n) + ".bmp")), "frame" + std::to_string(n));
  }
};

TEST_F(RadarLoopTest, NineImagesPlayOldestFirstThenTheCurrentOne) {
  for (int n = 1; n <= 9; ++n) History(n);
  loop.Play(dir / "LOT_N0R_0.bmp");
  ASSERT_EQ(w.shownAtRedraw.size(), 10u);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(w.shownAtRedraw[i], "frame" + std::to_string(9 - i));
  EXPECT_EQ(w.shownAtRedraw[9], "current");
  EXPECT_TRUE(w.loopRunningAtRedraw.front()) << "the scheduler skips its tick meanwhile";
  EXPECT_FALSE(LoopRunning);
  EXPECT_EQ(w.loopCaption.rfind("Looped 10 images in ", 0), 0u) << w.loopCaption;
  EXPECT_EQ(w.loopCaption.substr(w.loopCaption.size() - 5), " secs");
  EXPECT_TRUE(w.timerEnabled);
  ExpectNamesRestored(9);
}

TEST_F(RadarLoopTest, FramesWithoutBoundsAreSkippedAndAnEmptyHistoryShowsOne) {
  loop.Play(dir / "LOT_N0R_0.bmp");
  EXPECT_EQ(w.shownAtRedraw, std::vector<std::string>{"current"});
  EXPECT_EQ(w.loopCaption.rfind("Looped 1 images", 0), 0u);

  w.shownAtRedraw.clear();
  History(1);
  History(2, false);
  loop.Play(dir / "LOT_N0R_0.bmp");
  EXPECT_EQ(w.shownAtRedraw, (std::vector<std::string>{"frame1", "current"}));
  ExpectNamesRestored(2);
}

TEST_F(RadarLoopTest, EveryWayOutLeavesEachFileUnderItsOwnName) {
  for (int n = 1; n <= 4; ++n) History(n);
  // Closing during the second frame: that frame ends, nothing more is shown.
  w.onRedraw = [](int n) {
    if (n == 2) Closing = true;
  };
  loop.Play(dir / "LOT_N0R_0.bmp");
  EXPECT_EQ(w.shownAtRedraw, (std::vector<std::string>{"frame4", "frame3"}));
  ExpectNamesRestored(4);

  // An error while a frame has the underlay's name.
  Closing = false;
  w.shownAtRedraw.clear();
  w.onRedraw = [](int n) {
    if (n == 2) throw std::runtime_error("redraw failed");
  };
  loop.Play(dir / "LOT_N0R_0.bmp");
  EXPECT_EQ(w.shownAtRedraw.back(), "current") << "the current image is put back and shown";
  EXPECT_EQ(w.loopCaption.rfind("Looped 2 images", 0), 0u) << w.loopCaption;
  EXPECT_FALSE(LoopRunning);
  ExpectNamesRestored(4);
}

TEST_F(RadarLoopTest, TickKeepsTheMenuItemsInStepAndStartsARequestedLoop) {
  loop.Tick();
  EXPECT_FALSE(w.zoomEnabled) << "empty list";
  EXPECT_FALSE(w.loopEnabled);

  Record("KTLX_N0R_0", true);  // another site's record does not match
  loop.Tick();
  EXPECT_FALSE(w.zoomEnabled);
  EXPECT_FALSE(w.loopEnabled);

  Record("LOT_N0R_0", false);
  loop.Tick();
  EXPECT_TRUE(w.zoomEnabled);
  EXPECT_EQ(w.zoomCaption, "Zoom to LOT_N0R_0");
  EXPECT_FALSE(w.loopEnabled) << "not accumulating: nothing to loop";

  w.list.Objects(1).Accumulate = true;
  loop.Tick();
  EXPECT_TRUE(w.loopEnabled);
  EXPECT_EQ(w.loopItem, "Loop LOT_N0R_0 Radar");

  History(1);
  loop.Request();
  EXPECT_EQ(w.statusRefreshes, 1);
  w.passRunning = true;
  loop.Tick();
  EXPECT_TRUE(w.shownAtRedraw.empty()) << "never while a pass runs";
  EXPECT_TRUE(w.timerEnabled);
  w.passRunning = false;
  loop.Tick();
  EXPECT_EQ(w.shownAtRedraw, (std::vector<std::string>{"frame1", "current"}));
  EXPECT_FALSE(loop.requested);
  EXPECT_FALSE(FetchBusy);
  EXPECT_TRUE(w.timerEnabled);

  w.mapName = "Local map";
  loop.Tick();
  EXPECT_FALSE(w.zoomEnabled) << "only a PMapServer map";
}

TEST_F(RadarLoopTest, ShortNamesAndZoomToTheMatchingRecord) {
  struct Case {
    std::string baseName;
    bool natRule;
    std::string shortName;
  } cases[] = {{"n0r_0", true, "CONUS"},
               {"01_USrad", false, "USRAD"},
               {"latest_radaronly", true, "Nat"},
               {"latest_radaronly", false, "latest_radaronly"}};
  for (const Case& c : cases) {
    TRadarObj r;
    r.BaseName = c.baseName;
    EXPECT_EQ(LoopShortName(r, w.servers, c.natRule), c.shortName) << c.baseName;
  }

  Record("LOT_N0R_0", true);
  loop.Zoom();
  EXPECT_TRUE(w.zooms.empty()) << "no bounds read yet";
  TRadarObj& r = Record("LOT_N0R_0", false);
  r.WorldLeft = -92.5f;
  r.WorldTop = 44.25f;
  r.WorldRight = -84.5f;
  r.WorldBottom = 38.75f;
  loop.Zoom();
  ASSERT_EQ(w.zooms.size(), 1u);
  EXPECT_EQ(w.zooms[0], "-92.500000 44.250000 -84.500000 38.750000");
}

}  // namespace

// The pick-up and conversion step: Client-mode pick-up of dropped files, the
// GIF and PNG success, failure and exception paths, and the tray tip.
#include <chrono>
#include <filesystem>

#include "acquire/AcquisitionFixture.h"

namespace fs = std::filesystem;

using namespace ombrix;
using namespace ombrix::test;

namespace {

const std::string kWorld = "0.011785\r\n0\r\n0\r\n-0.00997\r\n-92.5816\r\n44.405\r\n";

struct PickupFixture : AcquisitionFixture {
  PickupFixture() { host.client = true; }
  // What a server drops into the client's underlay folder.
  void Drop(const std::string& world, const std::string& image) {
    if (!world.empty()) WriteFile(underlays + world, kWorld);
    if (!image.empty()) WriteFile(underlays + image, std::string(20000, 'x'));
  }
  std::string Minute() { return FormatDateTime(DateTimePattern::HourMinute, clock.LocalNow()); }
};

}  // namespace

TEST_F(PickupFixture, ClientWaitsForTheServerFiles) {
  TRadarObj& lot = AddLot();
  for (int attempt = 1; attempt <= 2; ++attempt) {
    lot.NextAttempt = clock.UtcNow();
    pass.DownloadAndProcess();
    EXPECT_EQ(lot.Status, "Waiting for file LOT_N0R_0.gfw from server at " +
                              FormatDateTime(DateTimePattern::MonthDayHourMinute, clock.LocalNow()));
    EXPECT_EQ(lot.DownloadErrors, attempt);
    EXPECT_GE(lot.NextAttempt, clock.UtcNow() + 45 * kSec - 1e-9);
    EXPECT_LE(lot.NextAttempt, clock.UtcNow() + 55 * kSec + 1e-9);
    clock.AdvanceMs(37 * 1000);
  }
}

TEST_F(PickupFixture, AnOldWorldFileWithoutItsImageIsRetriedAtTheNextTick) {
  TRadarObj& lot = AddLot();
  // File times are the system's: this test runs on the real clock's time.
  clock.SetUtc(SystemClock().UtcNow());
  clock.SetOffsetDays(SystemClock().ZoneOffsetDays());
  lot.NextAttempt = clock.UtcNow();
  Drop("LOT_N0R_0.gfw", "");
  fs::last_write_time(fs::path(underlays + "LOT_N0R_0.gfw"),
                      fs::file_time_type::clock::now() - std::chrono::minutes(20));
  pass.DownloadAndProcess();
  EXPECT_NEAR(lot.LastImage, clock.UtcNow() - 600 * kSec, kSec);
  EXPECT_NEAR(lot.NextAttempt, clock.UtcNow() - 420 * kSec, 11 * kSec);
  EXPECT_TRUE(host.converted.empty());
  EXPECT_TRUE(FileExists(underlays + "LOT_N0R_0.gfw"));
}

TEST_F(PickupFixture, ConvertingTheShownUnderlayConsumesTheFilesAndSetsTheTray) {
  Host.UnderlayName = "lot_n0r_0.bmp";
  TRadarObj& lot = AddLot();
  Drop("LOT_N0R_0.gfw", "LOT_N0R_0.gif");
  WriteFile(underlays + lot.LegendFile, "legend");
  pass.DownloadAndProcess();
  EXPECT_EQ(host.converted, std::vector<std::string>{underlays + "LOT_N0R_0.bmp"});
  EXPECT_EQ(FilesIn(underlays), std::vector<std::string>{});
  EXPECT_EQ(host.trayCaption, "Underlay update : lot_n0r_0@" + Minute());
  EXPECT_EQ(host.trayTip, host.trayCaption);
  EXPECT_EQ(lot.Status, "OK");
  EXPECT_EQ(RidgeLbl.caption.substr(9), "Finished processing LOT_N0R_0");
  EXPECT_EQ(FileLbl.caption.rfind("Processed 1 files from server in ", 0), 0u);
}

TEST_F(PickupFixture, FailuresAndExceptionsAreCountedAndRescheduled) {
  struct Case {
    const char* radar;
    const char* world;
    const char* image;
    bool throws;
    int retrySeconds;
    std::string status;  // "" keeps the converter's own
    bool filesStay;
  } const cases[] = {
      {"IL,Chicago,LOT", "LOT_N0R_0.gfw", "LOT_N0R_0.gif", false, 330, "", false},
      {"IL,Chicago,LOT", "LOT_N0R_0.gfw", "LOT_N0R_0.gif", true, 60,
       "Error extra converting LOT_N0R_0.gif boom", false},
      {"!!ConUS,Iowa State University", "n0r_0.wld", "n0r_0.png", false, 60, "", false},
      {"!!ConUS,Iowa State University", "n0r_0.wld", "n0r_0.png", true, 342,
       "Error 0 extra converting n0r_0.png boom", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.image) + (c.throws ? " throws" : " fails"));
    host.records.Clear();
    TRadarObj& r = c.radar[0] == '!' ? AddIowa() : AddLot();
    Drop(c.world, c.image);
    host.convert = [&](const std::string&, TRadarObj& rec) -> bool {
      if (c.throws) throw std::runtime_error("boom");
      rec.Status = "Error loading gif x";
      return false;
    };
    std::string shownAfterConversion;  // the pass's summary replaces it at the end
    host.onPump = [&] {
      if (FileLbl.caption.find(" @ ") != std::string::npos) shownAfterConversion = FileLbl.caption;
    };
    pass.DownloadAndProcess();
    EXPECT_EQ(shownAfterConversion, r.Status + " @ " + Minute());
    EXPECT_EQ(r.ConvertErrors, c.throws ? 0 : 1);
    EXPECT_EQ(r.Status, c.status.empty() ? "Error loading gif x" : c.status);
    EXPECT_EQ(FileLbl.caption.rfind("Processed 0 files from server in ", 0), 0u);
    EXPECT_NEAR(r.NextAttempt, clock.UtcNow() + c.retrySeconds * kSec, 11 * kSec);
    EXPECT_EQ(FileExists(underlays + c.image), c.filesStay);
    EXPECT_EQ(FileExists(underlays + c.world), c.filesStay);
    if (!c.throws) {
      EXPECT_NE(Log().find("After error "), std::string::npos);
    }
    DeleteFileAt(underlays + c.image);
    DeleteFileAt(underlays + c.world);
  }
}

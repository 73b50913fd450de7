// The Server-mode pass against a scripted web: freshness of the four source
// kinds, downloads, failures and their retry times, and the pass's summary.
#include "acquire/AcquisitionFixture.h"

using namespace ombrix;
using namespace ombrix::test;

namespace {

const std::string kWorld = "0.011785\r\n0\r\n0\r\n-0.00997\r\n-92.5816\r\n44.405\r\n";
const std::string kRidge = "http://radar.weather.gov/ridge/";

std::string SiteListing(const std::vector<std::string>& names) {
  std::string html = "<html><body>\r\n";
  for (const std::string& n : names) html += "<a href=\"" + n + ".gif\">" + n + ".gif</a> 07-Dec-2026 04:05 20K\r\n";
  return html + "</body></html>\r\n";
}

std::string IowaListing(const std::string& localStamp) {
  return "<IMG SRC=\"/icons/image2.gif\" ALT=\"[IMG]\"> <A HREF=\"n0r_0.png\">n0r_0.png</A>      " + localStamp +
         "   12K\r\n";
}

struct PassFixture : AcquisitionFixture {
  // LOT's archive says its newest image is 04:05 UTC on 7 December.
  TRadarObj& LotWithNewImage() {
    TRadarObj& lot = AddLot();
    host.web[kRidge + "RadarImg/N0R/LOT/"] = {SiteListing({"LOT_20261207_0400_N0R", "LOT_20261207_0405_N0R"})};
    host.web[lot.WorldUrl] = {kWorld};
    host.web[lot.ImageUrl] = {std::string(2000, 'G')};
    return lot;
  }
};

}  // namespace

TEST_F(PassFixture, EmptyOrIdleListsProcessNothing) {
  pass.DownloadAndProcess();
  const std::string time = FormatDateTime(DateTimePattern::Time, clock.LocalNow());
  EXPECT_EQ(FileLbl.caption, "Files not processed at " + time);
  EXPECT_EQ(RidgeLbl.caption, time + " No files processed");
  EXPECT_EQ(Sbar.panels[0], "Download files complete");

  TRadarObj& off = AddLot();
  off.Enabled = false;
  TRadarObj& later = AddIowa();
  later.NextAttempt = clock.UtcNow() + kSec;
  pass.DownloadAndProcess();
  EXPECT_TRUE(host.fetched.empty());
  EXPECT_EQ(FileLbl.caption, "Files not processed at " + time);
  EXPECT_EQ(host.saves, 2);
  EXPECT_EQ(host.refreshes, 2);
}

TEST_F(PassFixture, NewRidgeImageIsFetchedConvertedAndCleanedUp) {
  host.legend = true;
  TRadarObj& lot = LotWithNewImage();
  host.web[kRidge + "Legend/N0R/LOT_N0R_Legend_0.gif"] = {std::string(1500, 'L')};
  std::string seenStatus;
  host.convert = [&](const std::string&, TRadarObj& r) {
    seenStatus = r.Status;
    EXPECT_TRUE(FileExists(appDir + "LOT_N0R_Legend_0.gif"));
    r.Status = "OK";
    return true;
  };
  clock.AdvanceMs(0);
  pass.DownloadAndProcess();

  EXPECT_EQ(host.fetched, (std::vector<std::string>{kRidge + "RadarImg/N0R/LOT/",
                                                    kRidge + "Legend/N0R/LOT_N0R_Legend_0.gif", lot.WorldUrl,
                                                    lot.ImageUrl}));
  EXPECT_EQ(host.converted, std::vector<std::string>{appDir + "LOT_N0R_0.bmp"});
  EXPECT_EQ(seenStatus, "New file");
  EXPECT_EQ(lot.Status, "OK");
  EXPECT_DOUBLE_EQ(lot.LastImage, Utc(2026, 12, 7, 4, 5));
  // Found at 04:06:00 (jitter 0): due again when the next image is out.
  EXPECT_NEAR(lot.NextAttempt, Utc(2026, 12, 7, 4, 10), 0.5 * kSec);
  EXPECT_EQ(lot.WorldText, "-92.5874862670898,44.409984588623,0,0");
  EXPECT_EQ(FilesIn(appDir).size(), 0u) << "listing, world file, image and legend are all consumed";
  const std::string time = FormatDateTime(DateTimePattern::Time, clock.LocalNow());
  EXPECT_EQ(FileLbl.caption, "Downloaded 2 and processed 1 files in 0.0 sec at " + time);
  EXPECT_EQ(RidgeLbl.caption, time + " Finished processing LOT_N0R_0");
  EXPECT_EQ(host.saves, 1);
}

TEST_F(PassFixture, NextAttemptFollowsTheImageTimeOrAMinuteWhenLate) {
  struct Case {
    TDateTime foundAt, expectedNext;
  } const cases[] = {
      {Utc(2026, 12, 7, 4, 6, 0), Utc(2026, 12, 7, 4, 10, 0)},
      {Utc(2026, 12, 7, 4, 20, 0), Utc(2026, 12, 7, 4, 21, 0)},
      // 37 seconds past the minute: a jitter of 3 seconds.
      {Utc(2026, 12, 7, 4, 6, 37), Utc(2026, 12, 7, 4, 10, 3)},
  };
  for (const Case& c : cases) {
    host.records.Clear();
    clock.SetUtc(c.foundAt);
    TRadarObj& lot = LotWithNewImage();
    pass.DownloadAndProcess();
    EXPECT_NEAR(lot.NextAttempt, c.expectedNext, 0.5 * kSec);
  }
}

TEST_F(PassFixture, SameRidgeImageWaitsAMinute) {
  TRadarObj& lot = LotWithNewImage();
  lot.LastImage = Utc(2026, 12, 7, 4, 5);
  pass.DownloadAndProcess();
  EXPECT_EQ(lot.Status, "Waiting for new LOT_N0R_0 file, old file =" +
                            LocalText(DateTimePattern::MonthDayHourMinute, Utc(2026, 12, 7, 4, 5)));
  EXPECT_EQ(RidgeLbl.caption.substr(9), "No files processed");
  EXPECT_NEAR(lot.NextAttempt, clock.UtcNow() + 60 * kSec, 0.5 * kSec);
  EXPECT_EQ(host.fetched.size(), 1u);
  EXPECT_EQ(FileLbl.caption.rfind("Downloaded 0 and processed 0 files in ", 0), 0u);
}

TEST_F(PassFixture, MesonetListingsAreReadWithTheirLeadsAndClamps) {
  // Iowa claims an image ten minutes ahead: it counts as six minutes old.
  TRadarObj& iowa = AddIowa();
  host.web[host.servers.IowaBaseUrl] = {IowaListing("06-Dec-2026 22:16")};  // local; 04:16 UTC
  host.web[iowa.WorldUrl] = {kWorld};
  host.web[iowa.ImageUrl] = {std::string(20000, 'P')};
  pass.DownloadAndProcess();
  EXPECT_NEAR(iowa.LastImage, clock.UtcNow() - 360 * kSec, 0.5 * kSec);
  EXPECT_NEAR(iowa.NextAttempt, clock.UtcNow() + 60 * kSec, 0.5 * kSec);
  EXPECT_EQ(host.converted, std::vector<std::string>{appDir + "ConUs.bmp"});
  EXPECT_EQ(host.emptied, 1);

  // The same time again is not new; the wait text shows the record's time.
  iowa.NextAttempt = clock.UtcNow();
  pass.DownloadAndProcess();
  EXPECT_EQ(iowa.Status, "Waiting for new n0r_0 file, old file =" +
                             LocalText(DateTimePattern::MonthDayHourMinute, iowa.LastImage));
  // A listing without the image's time.
  iowa.NextAttempt = clock.UtcNow();
  host.web[host.servers.IowaBaseUrl] = {"<html>garbage</html>"};
  pass.DownloadAndProcess();
  EXPECT_EQ(iowa.Status.rfind("Error getting file datetime ", 0), 0u);
  EXPECT_EQ(iowa.DownloadErrors, 1);
  EXPECT_TRUE(FilesIn(appDir).size() <= 1u) << "only the error log may stay";
}

TEST_F(PassFixture, DownloadFailuresKeepTheFetchErrorAndRetryTheSameImage) {
  struct Case {
    const char* name;
    WebAnswer world;
    bool imageMissing;
    std::string status;
  } const cases[] = {
      {"world 404", {"", 404}, false, "Error 404 Not Found"},
      {"world unreadable", {"<html>not a world file</html>"}, false, "Error World File empty"},
      {"image missing", {kWorld}, true, "Error RadarImage File not downLoaded"},
  };
  for (const Case& c : cases) {
    host.records.Clear();
    TRadarObj& lot = LotWithNewImage();
    host.web[lot.WorldUrl] = c.world;
    if (c.imageMissing) host.web.erase(lot.ImageUrl);
    pass.DownloadAndProcess();
    SCOPED_TRACE(c.name);
    EXPECT_EQ(lot.Status, c.status);
    EXPECT_EQ(lot.DownloadErrors, 1);
    // LastImage went back, so the same remote image is new next time.
    EXPECT_NEAR(lot.LastImage, clock.UtcNow() - 0.95, 0.5 * kSec);
    EXPECT_NEAR(lot.NextAttempt, Utc(2026, 12, 7, 4, 10), 0.5 * kSec);
    EXPECT_TRUE(host.converted.empty());
    EXPECT_TRUE(FilesIn(appDir).size() <= 1u) << "nothing but the error log";
  }
  // A listing that cannot be fetched.
  host.records.Clear();
  host.web.clear();
  TRadarObj& lot = AddLot();
  pass.DownloadAndProcess();
  EXPECT_EQ(lot.Status, "Web site dir unavailable");
  EXPECT_NEAR(lot.NextAttempt, clock.UtcNow() + 60 * kSec, 0.5 * kSec);
}

TEST_F(PassFixture, UnknownSourcesAreFetchedEveryPass) {
  TRadarObj& odd = AddLot();
  odd.ImageUrl = "http://elsewhere.example/radar/LOT_N0R_0.gif";
  odd.WorldUrl = "http://elsewhere.example/radar/LOT_N0R_0.gfw";
  const TDateTime due = odd.NextAttempt;
  host.web[odd.WorldUrl] = {kWorld};
  host.web[odd.ImageUrl] = {std::string(2000, 'G')};
  pass.DownloadAndProcess();
  pass.DownloadAndProcess();
  EXPECT_EQ(host.fetched.size(), 4u);
  EXPECT_EQ(host.converted.size(), 2u);
  EXPECT_DOUBLE_EQ(odd.NextAttempt, due);
}

TEST_F(PassFixture, ClosingDuringAFetchAbandonsThePassUnsaved) {
  TRadarObj& lot = LotWithNewImage();
  host.web[lot.WorldUrl].during = [] { Closing = true; };
  pass.DownloadAndProcess();
  EXPECT_EQ(host.fetched.back(), lot.WorldUrl);
  EXPECT_EQ(host.saves, 0);
  EXPECT_EQ(host.refreshes, 0);
  EXPECT_EQ(Sbar.panels[0], "Download files complete");
  EXPECT_DOUBLE_EQ(lot.LastImage, Utc(2026, 12, 7, 4, 5)) << "written back before the downloads";
}

TEST_F(PassFixture, AnExceptionEndsThePassWithItsMessage) {
  TRadarObj& lot = LotWithNewImage();
  host.web[lot.WorldUrl].during = [] { throw std::runtime_error("disk gone"); };
  pass.DownloadAndProcess();
  const std::string text = "Error downloading or processing downloaded files - disk gone";
  EXPECT_EQ(FileLbl.caption, text + " at " + FormatDateTime(DateTimePattern::HourMinute, clock.LocalNow()) + " ");
  EXPECT_NE(Log().find(text), std::string::npos);
  EXPECT_EQ(host.saves, 0);
}

// Listing and archive-name readings of the freshness check, on a fake clock
// so the zone and "now" are the test's own.
#include <gtest/gtest.h>

#include <cmath>

#include "acquire/Freshness.h"
#include "app/ErrorLog.h"
#include "support/TempDir.h"
#include "util/Clock.h"
#include "util/FileUtil.h"

using namespace ombrix;
using namespace ombrix::test;

namespace {

TDateTime At(int y, int mo, int d, int h, int mi) {
  DateTimeParts p;
  p.year = y;
  p.month = mo;
  p.day = d;
  p.hour = h;
  p.minute = mi;
  return EncodeDateTime(p);
}

struct FreshnessFixture : ::testing::Test {
  TempDir dir;
  FakeClock clock{At(2026, 12, 7, 12, 0), -0.25};  // six hours behind UTC
  ScopedClock scoped{clock};
  std::string listing = dir / "listing.htm";

  FreshnessFixture() {
    TheErrorLogConfig().folder = dir.Path();
    TheErrorLogConfig().enabled = true;
  }
  ~FreshnessFixture() override { TheErrorLogConfig().enabled = false; }
  std::string Log() {
    for (const FoundFile& f : FindFiles(dir / "R*ErrorLog.txt")) return ReadFile(dir / f.name);
    return "";
  }
};

const char* kIowaLine = "<IMG SRC=\"/icons/image2.gif\" ALT=\"[IMG]\"> <A HREF=\"n0r_0.png\">n0r_0.png</A>"
                        "      07-Dec-2026 04:05   12K";

bool Near(TDateTime a, TDateTime b) { return std::fabs(a - b) < 1.0 / 86400 / 2; }

}  // namespace

TEST_F(FreshnessFixture, WebFileTimeReadsTheDateAfterTheLinkAsLocalTime) {
  WriteFile(listing, std::string("<HTML>\r\n<A HREF=\"n0r_0.wld\">n0r_0.wld</A> 07-Dec-2026 03:00 1K\r\n") + kIowaLine +
                         "\r\n</HTML>\r\n");
  EXPECT_TRUE(Near(GetWebFileTime(listing, "n0r_0.png"), At(2026, 12, 7, 10, 5)));
  EXPECT_TRUE(Near(GetWebFileTime(listing, "N0R_0.WLD"), At(2026, 12, 7, 9, 0)));  // any case
  // Half-hour zones keep their half hour.
  clock.SetOffsetDays(5.5 / 24);
  EXPECT_TRUE(Near(GetWebFileTime(listing, "n0r_0.png"), At(2026, 12, 6, 22, 35)));
  // Line breaks of any kind.
  WriteFile(listing, std::string("x\r") + kIowaLine + "\ry\n");
  EXPECT_TRUE(Near(GetWebFileTime(listing, "n0r_0.png"), At(2026, 12, 6, 22, 35)));
  EXPECT_EQ(Log(), "");
}

TEST_F(FreshnessFixture, WebFileTimeFailuresGiveLocalNowMinus1000Days) {
  const TDateTime failure = clock.LocalNow() - 1000;
  // An unknown month: failure value, nothing logged.
  std::string bad = kIowaLine;
  bad.replace(bad.find("Dec"), 3, "Xyz");
  WriteFile(listing, bad + "\r\n");
  EXPECT_TRUE(Near(GetWebFileTime(listing, "n0r_0.png"), failure));
  EXPECT_EQ(Log(), "");
  // The name is missing from the listing.
  WriteFile(listing, "<HTML>nothing here</HTML>\r\n");
  EXPECT_TRUE(Near(GetWebFileTime(listing, "n0r_0.png"), failure));
  EXPECT_NE(Log().find("Get Web dir file n0r_0.png not found error 9 " + listing), std::string::npos);
  // No listing at all: logged as an exception of step 1.
  EXPECT_TRUE(Near(GetWebFileTime(dir / "none.htm", "n0r_0.png"), failure));
  EXPECT_NE(Log().find("Get Web dir Exception = 1 "), std::string::npos);
  // A date that cannot exist: an exception of step 8.
  std::string impossible = kIowaLine;
  impossible.replace(impossible.find("07-Dec"), 6, "32-Dec");
  WriteFile(listing, impossible);
  EXPECT_TRUE(Near(GetWebFileTime(listing, "n0r_0.png"), failure));
  EXPECT_NE(Log().find("Get Web dir Exception = 8 "), std::string::npos);
}

TEST_F(FreshnessFixture, NewestSiteAndNationalImagesAreTheGreatestNames) {
  WriteFile(listing,
            "<a href=\"LOT_20261207_0355_N0R.gif\">LOT_20261207_0355_N0R.gif</a> 07-Dec-2026 03:55 20K\r\n"
            "<a href=\"LOT_20261207_0405_N0R.gif\">LOT_20261207_0405_N0R.gif</a> 07-Dec-2026 04:05 20K\r\n"
            "<a href=\"LOT_20261207_0405_N0R.gif\">LOT_20261207_0405_N0R.gif</a> 07-Dec-2026 04:05 20K\r\n"
            "<a href=\"LOT_N0R_Legend_0.gif\">legend</a>\r\n");
  EXPECT_EQ(ListNewestSiteImage(listing), "LOT_20261207_0405_N0R");
  // Names equal but for case: the one on the line first in case-blind order.
  WriteFile(listing,
            "<a href=\"lot_20261207_0405_n0r.gif\">lot_20261207_0405_n0r.gif</a> z\r\n"
            "<A HREF=\"LOT_20261207_0405_N0R.gif\">LOT_20261207_0405_N0R.gif</A> a\r\n"
            "<a href=\"LOT_20261207_0355_N0R.gif\">LOT_20261207_0355_N0R.gif</a>\r\n");
  EXPECT_EQ(ListNewestSiteImage(listing), "LOT_20261207_0405_N0R");
  WriteFile(listing,
            "<a href=\"Nat_20261207_0355.gif\">Nat_20261207_0355.gif</a>\n"
            "<a href=\"Nat_20261207_0405_small.gif\">Nat_20261207_0405_small.gif</a>\n"
            "<a href=\"Nat_20261207_0405.gif\">Nat_20261207_0405.gif</a>\n"
            "<a href=\"Sec_20261207_0505.gif\">Sec_20261207_0505.gif</a>\n");
  EXPECT_EQ(ListNewestNationalImage(listing), "Nat_20261207_0405");
  EXPECT_EQ(ListNewestSiteImage(listing), "Sec_20261207_0505");
  EXPECT_EQ(ListNewestSiteImage(dir / "none.htm"), "");
  WriteFile(listing, "<html>no images</html>");
  EXPECT_EQ(ListNewestNationalImage(listing), "");
  EXPECT_EQ(Log(), "");  // the scanners never log
}

TEST_F(FreshnessFixture, ImageNameTimeReadsUtcFromTheNameOrFails) {
  EXPECT_TRUE(Near(ImageNameTime("LOT_20261207_0405_N0R"), At(2026, 12, 7, 4, 5)));
  EXPECT_TRUE(Near(ImageNameTime("Nat_20261207_0405"), At(2026, 12, 7, 4, 5)));
  const TDateTime failure = clock.UtcNow() - 100;
  for (const char* name : {"LOT_20051207_0405_N0R", "LOT_20271207_0405_N0R", "LOT_20261307_0405_N0R",
                           "LOT_20261207_2505_N0R", "garbage"}) {
    EXPECT_TRUE(Near(ImageNameTime(name), failure)) << name;
    EXPECT_NE(Log().find(std::string("DateTime error ") + name), std::string::npos) << name;
  }
}

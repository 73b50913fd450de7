#include <gtest/gtest.h>

#include "records/RadarObj.h"
#include "support/TempDir.h"
#include "util/Clock.h"
#include "util/Locale.h"

namespace ombrix::test {
namespace {

const ServerSettings kServers = ServerSettings::Defaults();

TRadarObj Init(const std::string& d, const std::string& p) {
  TRadarObj r;
  r.InitFromSelection(d, p, kServers);
  return r;
}

TEST(RadarObjTest, CreationValuesMakeANewRecordDueAtOnce) {
  FakeClock clock(45000.5, 2.0 / 24);
  ScopedClock use(clock);
  TRadarObj r;
  EXPECT_DOUBLE_EQ(r.NextAttempt, 45000.5 + 2.0 / 24 - 1);
  EXPECT_DOUBLE_EQ(r.LastAttempt, 45000.5 + 2.0 / 24 - 1);
  EXPECT_DOUBLE_EQ(r.LastImage, 45000.5 - 100);
  EXPECT_DOUBLE_EQ(r.PreviousImage, r.LastImage);
  EXPECT_TRUE(r.Enabled);
  EXPECT_FALSE(r.Accumulate);
  EXPECT_EQ(r.DownloadErrors, 0);
  EXPECT_EQ(r.CellSizeX, 0.0f);
  EXPECT_TRUE(r.Status.empty());
  EXPECT_TRUE(r.WorldText.empty());
}

TEST(RadarObjTest, SiteRecordDerivesItsNamesAndUrls) {
  TRadarObj r = Init("IL,Chicago,LOT", "Short Range Reflectivity, N0R");
  EXPECT_EQ(r.SiteName, "LOT");
  EXPECT_EQ(r.BaseName, "LOT_N0R_0");
  EXPECT_EQ(r.BmpFile, "LOT_N0R_0.bmp");
  EXPECT_EQ(r.ImageUrl, "http://radar.weather.gov/ridge/RadarImg/N0R/LOT_N0R_0.gif");
  EXPECT_EQ(r.WorldUrl, "http://radar.weather.gov/ridge/RadarImg/N0R/LOT_N0R_0.gfw");
  EXPECT_EQ(r.LegendFile, "LOT_N0R_Legend_0.gif");
  EXPECT_EQ(r.Status, "New record");
  EXPECT_EQ(r.Description, "IL,Chicago,LOT");
  EXPECT_EQ(r.Product, "Short Range Reflectivity, N0R");
}

TEST(RadarObjTest, SiteCodeIsTheLastNonEmptyField) {
  TRadarObj r = Init("NJ/Philadelphia, PA,Fort Dix,DIX", "Velocity, N0V");
  EXPECT_EQ(r.SiteName, "DIX");
  EXPECT_EQ(r.BaseName, "DIX_N0V_0");
  TRadarObj trailing = Init("IL,Chicago,LOT,", "Short Range Reflectivity, N0R");
  EXPECT_EQ(trailing.SiteName, "LOT");
  EXPECT_EQ(trailing.ImageUrl, "http://radar.weather.gov/ridge/RadarImg/N0R/LOT_N0R_0.gif");
  struct Case {
    const char* description;
    const char* code;
  } const cases[] = {{"IL,Chicago,LOT,,", "LOT"}, {"LOT", "LOT"}, {"X", ""}, {",,,", ""}, {"IL,,", "IL"}};
  for (const Case& c : cases) EXPECT_EQ(SiteCode(c.description), c.code) << c.description;
}

TEST(RadarObjTest, ProductCodeForms) {
  EXPECT_EQ(Init("IL,Chicago,LOT", " NCR ").BaseName, "LOT_NCR_0") << "no comma: the whole text, trimmed";
  TRadarObj r = Init("IL,Chicago,LOT", ", ");
  EXPECT_EQ(r.BaseName, "LOT__0") << "\", \" gives an empty code";
  EXPECT_EQ(r.ImageUrl, "http://radar.weather.gov/ridge/RadarImg//LOT__0.gif");
}

TEST(RadarObjTest, CompositeRecords) {
  TRadarObj iowa = Init("!!conus,Iowa State University", ", ");  // matched ignoring case
  EXPECT_EQ(iowa.SiteName, "ConUs");
  EXPECT_EQ(iowa.BmpFile, "ConUs.bmp");
  EXPECT_EQ(iowa.BaseName, "n0r_0");
  EXPECT_EQ(iowa.ImageUrl, "http://mesonet.agron.iastate.edu/data/gis/images/unproj/USCOMP/n0r_0.png");
  EXPECT_EQ(iowa.WorldUrl, "http://mesonet.agron.iastate.edu/data/gis/images/unproj/USCOMP/n0r_0.wld");

  TRadarObj tamu = Init("!!USRad,Texas A&M Universtity", ", ");
  EXPECT_EQ(tamu.SiteName, "USRad");
  EXPECT_EQ(tamu.BmpFile, "USRad.bmp");
  EXPECT_EQ(tamu.BaseName, "01_USrad");
  EXPECT_EQ(tamu.ImageUrl, "http://mesonet.tamu.edu/gemdata/images/radar/01_USrad.png");
  EXPECT_EQ(tamu.WorldUrl, "http://mesonet.tamu.edu/gemdata/images/radar/USrad.wld");
  EXPECT_EQ(tamu.LegendFile, "");

  TRadarObj nat = Init("!!Nat,National", ", ");
  EXPECT_EQ(nat.SiteName, "Nat");
  EXPECT_EQ(nat.BmpFile, "Nat.bmp");
  EXPECT_EQ(nat.BaseName, "latest_radaronly");
  EXPECT_EQ(nat.ImageUrl, "http://radar.weather.gov/ridge/Conus/RadarImg/latest_radaronly.gif");
  EXPECT_EQ(nat.WorldUrl, "http://radar.weather.gov/ridge/Conus/RadarImg/latest_radaronly.gfw");

  EXPECT_EQ(Init("!!nat,National", ", ").BaseName, "nat") << "\"Nat\" is matched in exact case";
  TRadarObj region = Init("!!southeast,Southeast sector", ", ");
  EXPECT_EQ(region.BaseName, "southeast");
  EXPECT_EQ(region.ImageUrl, "http://radar.weather.gov/ridge/Conus/RadarImg/southeast.gif");
}

class WorldFileTest : public ::testing::Test {
 protected:
  TempDir dir;
  TRadarObj r;
  std::string Write(const std::string& content) {
    std::string path = dir / "w.gfw";
    WriteFile(path, content);
    return path;
  }
};

TEST_F(WorldFileTest, ReadsTheSixNumbersAndKeepsTheOuterCorner) {
  r.LoadWorldFile(Write("0.011785\r\n0\r\n0\r\n-0.00997\r\n-92.5816\r\n44.405\r\n"));
  EXPECT_FLOAT_EQ(r.CellSizeX, 0.011785f);
  EXPECT_FLOAT_EQ(r.CellSizeY, -0.00997f);
  EXPECT_EQ(r.WorldText, "-92.5874862670898,44.409984588623,0,0");
  r.ComputeBounds(600, 550);
  EXPECT_EQ(r.WorldText, "-92.5874862670898,44.409984588623,-85.516487121582,38.9264831542969");
}

TEST_F(WorldFileTest, ThirtyTwoBitValuesPrintWidened) {
  r.LoadWorldFile(Write("0.01\n0\n0\n-0.01\n-97.135\n40.005\n"));
  EXPECT_EQ(r.WorldText, "-97.1399993896484,40.0100021362305,0,0");
  EXPECT_EQ(FormatWorldText(0.01f, -97.14f, 0, 1), "0.00999999977648258,-97.1399993896484,0,1");
  ScopedLocale comma({'.', ':', ','});
  EXPECT_EQ(FormatWorldText(0.5f, 0, 0, 0), "0,5,0,0,0");
}

TEST_F(WorldFileTest, MarkupAroundTheNumbersIsStripped) {
  TRadarObj plain;
  plain.LoadWorldFile(Write("0.01\n0\n0\n-0.01\n-97.135\n40.005\n"));
  r.LoadWorldFile(Write("<html><body><pre>\n0.01\n0\n0\n-0.01\n-97.135\n40.005\n</pre></body></html>\n"));
  EXPECT_EQ(r.WorldText, plain.WorldText);
  EXPECT_EQ(r.CellSizeX, plain.CellSizeX);
  TRadarObj tagged;  // a tag and a number on one line: the number after the tag stays
  tagged.LoadWorldFile(Write("<pre> 0.01\n0\n0\n-0.01\n-97.135\n40.005\n"));
  EXPECT_EQ(tagged.WorldText, plain.WorldText);
}

TEST_F(WorldFileTest, AnythingButSixLinesChangesNothing) {
  r.CellSizeX = 2;
  r.WorldText = "kept";
  r.LoadWorldFile(Write("0.01\n0\n0\n-0.01\n-97.135\n40.005\n7\n"));
  r.LoadWorldFile(Write("0.01\n0\n0\n-0.01\n-97.135\n"));
  r.LoadWorldFile(dir / "missing.gfw");
  EXPECT_EQ(r.CellSizeX, 2.0f);
  EXPECT_EQ(r.WorldLeft, 0.0f);
  EXPECT_EQ(r.WorldText, "kept");
}

TEST_F(WorldFileTest, AZeroKeepsItsFieldAndABadNumberStopsWithThePartsBeforeIt) {
  r.CellSizeX = 0.5f;
  r.LoadWorldFile(Write("0\n0\n0\n-0.5\n-100\n40\n"));
  EXPECT_EQ(r.CellSizeX, 0.5f) << "a first line of 0 keeps the previous CellSizeX";
  EXPECT_EQ(r.WorldLeft, -100.25f);

  TRadarObj partial;
  partial.WorldText = "old";
  partial.LoadWorldFile(Write("zz\n0\n0\n-0.5\n-100\n40\n"));  // left and top read, cell x bad
  EXPECT_EQ(partial.WorldLeft, -100.0f);
  EXPECT_EQ(partial.WorldTop, 40.0f);
  EXPECT_EQ(partial.CellSizeX, 0.0f);
  EXPECT_EQ(partial.WorldText, "old") << "no half shift, no new text";
}

TEST_F(WorldFileTest, NumbersOutsideAFinite32BitFloatDoNotParse) {
  // Each bad value sits in line 1 (cell width), read after left and top.
  for (const char* bad : {"1e39", "-1e39", "1e400", "inf", "nan", "-INF", "3.5e38"}) {
    TRadarObj w;
    w.WorldText = "kept";
    w.LoadWorldFile(Write(std::string(bad) + "\n0\n0\n-0.5\n-100\n40\n"));
    EXPECT_EQ(w.CellSizeX, 0.0f) << bad;
    EXPECT_EQ(w.WorldText, "kept") << bad;
  }
  // Values that parse but whose corner or edge leaves the float range.
  TRadarObj corner;
  corner.WorldText = "kept";
  corner.LoadWorldFile(Write("-3e38\n0\n0\n-0.5\n3e38\n40\n"));
  EXPECT_EQ(corner.WorldText, "kept");
  r.LoadWorldFile(Write("1e36\n0\n0\n-0.5\n-100\n40\n"));
  r.ComputeBounds(6000, 10);
  EXPECT_EQ(r.WorldText, "") << "an edge beyond the float range is no geo-reference";
}

TEST_F(WorldFileTest, AHugeOneLineErrorPageReadsInOnePass) {
  // A megabyte of tags on one line once cost a copy of the rest of the line
  // per ">"; the result is still what follows the last one.
  std::string page;
  for (int i = 0; i < 200000; ++i) page += "<b>x";
  r.WorldText = "kept";
  r.LoadWorldFile(Write(page + "\n"));
  EXPECT_EQ(r.WorldText, "kept");
  std::string lines;  // many markup lines, each dropped
  for (int i = 0; i < 200000; ++i) lines += "<p>\n";
  r.LoadWorldFile(Write(lines + "0.01\n0\n0\n-0.01\n-97.135\n40.005\n" + lines));
  EXPECT_EQ(r.WorldText, "-97.1399993896484,40.0100021362305,0,0");
}

TEST_F(WorldFileTest, NumbersUseTheLocaleDecimalSeparator) {
  ScopedLocale comma({'.', ':', ','});
  r.LoadWorldFile(Write("0,5\n0\n0\n-0,5\n-100\n40\n"));
  EXPECT_EQ(r.CellSizeX, 0.5f);
  EXPECT_EQ(r.WorldText, "-100,25,40,25,0,0");
}

TEST(ComputeBoundsTest, AnyZeroInputClearsTheText) {
  TRadarObj r;
  r.WorldLeft = -100;
  r.WorldTop = 40;
  r.CellSizeX = 0.5f;
  r.CellSizeY = -0.5f;
  r.ComputeBounds(10, 20);
  EXPECT_EQ(r.WorldText, "-100,40,-95,30");
  r.ComputeBounds(0, 480);
  EXPECT_EQ(r.WorldText, "");
  r.ComputeBounds(10, 20);
  r.ComputeBounds(640, 0);
  EXPECT_EQ(r.WorldText, "");
  r.WorldLeft = 0;
  r.ComputeBounds(10, 20);
  EXPECT_EQ(r.WorldText, "");
}

TEST(AssignTest, CopiesEveryField) {
  TRadarObj a;
  a.InitFromSelection("IL,Chicago,LOT", "Velocity, N0V", kServers);
  a.NextAttempt = 1;
  a.LastImage = 2;
  a.PreviousImage = 3;
  a.LastAttempt = 4;
  a.Status = "OK";
  a.Accumulate = true;
  a.Enabled = false;
  a.DownloadErrors = 5;
  a.ConvertErrors = 6;
  a.CellSizeX = 7;
  a.CellSizeY = 8;
  a.WorldTop = 9;
  a.WorldLeft = 10;
  a.WorldBottom = 11;
  a.WorldRight = 12;
  a.WorldText = "10,9,12,11";
  TRadarObj b;
  b.Assign(a);
  EXPECT_EQ(b.Description, a.Description);
  EXPECT_EQ(b.ImageUrl, a.ImageUrl);
  EXPECT_EQ(b.LegendFile, a.LegendFile);
  EXPECT_EQ(b.PreviousImage, 3);
  EXPECT_EQ(b.LastAttempt, 4);
  EXPECT_FALSE(b.Enabled);
  EXPECT_EQ(b.ConvertErrors, 6);
  EXPECT_EQ(b.WorldRight, 12.0f);
  EXPECT_EQ(b.WorldText, "10,9,12,11");
}

}  // namespace
}  // namespace ombrix::test

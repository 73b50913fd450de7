#include <gtest/gtest.h>

#include <cstdio>

#include "app/ErrorLog.h"
#include "records/Catalogues.h"
#include "records/DownloadList.h"
#include "support/TempDir.h"
#include "util/Clock.h"
#include "util/FileUtil.h"
#include "util/Locale.h"

namespace ombrix::test {
namespace {

const ServerSettings kServers = ServerSettings::Defaults();
const std::string kTimes = "\t03/15/2023 10:00:00\t03/15/2023 09:55:00\t03/15/2023 10:05:00";

class DownloadListTest : public ::testing::Test {
 protected:
  FakeClock clock{45000.5};
  ScopedClock useClock{clock};
  TempDir dir;
  TRadarList list;
  std::string path = dir / "DownLoadList.txt";

  DownloadListTest() {
    ErrorLogConfig& log = TheErrorLogConfig();
    log = ErrorLogConfig{};
    log.folder = dir.Path();
    log.enabled = true;
  }
  ~DownloadListTest() override { TheErrorLogConfig() = ErrorLogConfig{}; }

  int Load(const std::string& content) {
    WriteFile(path, content);
    return LoadDownloadListFile(path, list, kServers);
  }
  std::string Log() { return ReadFile(dir / "R20230315ErrorLog.txt"); }
  TRadarObj& Add(const std::string& d, const std::string& p) {
    return *list.Add(RecordKey(d, p), [&] {
      auto r = std::make_unique<TRadarObj>();
      r->InitFromSelection(d, p, kServers);
      return r;
    }());
  }
};

TEST_F(DownloadListTest, ReadsEveryStoredField) {
  ASSERT_EQ(Load("IL,Chicago,LOT\tShort Range Reflectivity, N0R\tstale\tImage OK\t-92.5,44.4,-85.5,38.9\tTRUE\tFALSE" +
                 kTimes + "\r\n"),
            1);
  TRadarObj& r = list.Objects(0);
  EXPECT_EQ(list.Keys(0), "IL,Chicago,LOT\tShort Range Reflectivity, N0R");
  EXPECT_EQ(r.BaseName, "LOT_N0R_0") << "derived again, not read";
  EXPECT_EQ(r.ImageUrl, "http://radar.weather.gov/ridge/RadarImg/N0R/LOT_N0R_0.gif");
  EXPECT_EQ(r.Status, "Image OK");
  EXPECT_EQ(r.WorldText, "-92.5,44.4,-85.5,38.9");
  EXPECT_TRUE(r.Accumulate);
  EXPECT_FALSE(r.Enabled);
  EXPECT_DOUBLE_EQ(r.LastAttempt, EncodeDateTime({2023, 3, 15, 10, 0, 0}));
  EXPECT_DOUBLE_EQ(r.LastImage, EncodeDateTime({2023, 3, 15, 9, 55, 0}));
  EXPECT_DOUBLE_EQ(r.NextAttempt, EncodeDateTime({2023, 3, 15, 10, 5, 0}));
  EXPECT_EQ(r.WorldLeft, -92.5f);
  EXPECT_EQ(r.WorldTop, 44.4f);
  EXPECT_EQ(r.WorldRight, -85.5f);
  EXPECT_EQ(r.WorldBottom, 38.9f);
}

TEST_F(DownloadListTest, FlagsNeedTrueInCapitals) {
  Load("IL,Chicago,LOT\tVelocity, N0V\tx\ts\t\ttrue\tnot TRUE" + kTimes + "\r\n");
  EXPECT_FALSE(list.Objects(0).Accumulate);
  EXPECT_TRUE(list.Objects(0).Enabled);
}

TEST_F(DownloadListTest, ALineOf19CharactersIsLoggedAndSkippedOneOf20IsParsed) {
  std::string nineteen = "IL,Chicago,LOT\tN0R,";  // 19
  std::string twenty = "IL,Chicago,LOT\tN0R, ";   // 20
  ASSERT_EQ(nineteen.size(), 19u);
  ASSERT_EQ(twenty.size(), 20u);
  EXPECT_EQ(Load(nineteen + "\r\n" + twenty + "\r\n"), 1);
  EXPECT_EQ(list.Keys(0), twenty);
  EXPECT_EQ(list.Objects(0).Status, "") << "field 4 is missing";
  EXPECT_NE(Log().find("\r\nError loading Radar object 12:00:00\r\n"), std::string::npos) << Log();
  EXPECT_EQ(Log().find("Error loading Radar object", Log().find("Error loading") + 1), std::string::npos)
      << "logged once";
}

TEST_F(DownloadListTest, KeysDifferingOnlyInCaseLoadAsOneRecord) {
  EXPECT_EQ(Load("IL,Chicago,LOT\tVelocity, N0V\tx\tfirst\t\tFALSE\tTRUE" + kTimes + "\r\n" +
                 "il,chicago,lot\tVELOCITY, n0v\tx\tsecond\t\tFALSE\tTRUE" + kTimes + "\r\n"),
            1);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Objects(0).Status, "first");
  EXPECT_EQ(list.IndexOf("IL,CHICAGO,LOT\tvelocity, N0V"), 0);
  EXPECT_EQ(Add("WY,Riverton,RIW", "Velocity, N0V").SiteName, "RIW");
  EXPECT_EQ(list.Add(RecordKey("wy,riverton,riw", "velocity, n0v"), std::make_unique<TRadarObj>()), nullptr);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Keys(1), "WY,Riverton,RIW\tVelocity, N0V") << "insertion order, not sorted";
}

TEST_F(DownloadListTest, SevenFieldsLoadWithCreationTimesSoTheRecordIsDueAtOnce) {
  Load("IL,Chicago,LOT\tVelocity, N0V\tx\tstatus\t1,2,3,4\tTRUE\tTRUE\r\n");
  TRadarObj& r = list.Objects(0);
  EXPECT_DOUBLE_EQ(r.NextAttempt, 45000.5 - 1);
  EXPECT_DOUBLE_EQ(r.LastImage, 45000.5 - 100);
  EXPECT_EQ(r.WorldLeft, 0.0f) << "the block stopped at the first time";
  EXPECT_TRUE(r.Accumulate);
}

TEST_F(DownloadListTest, ABadTimeStopsTheBlockAndLeavesTheRestAtCreationValues) {
  Load("IL,Chicago,LOT\tVelocity, N0V\tx\ts\t1,2,3,4\tTRUE\tTRUE\t03/15/2023 10:00:00\t15/03/2023 09:55:00\t"
       "03/15/2023 10:05:00\r\n");
  TRadarObj& r = list.Objects(0);
  EXPECT_DOUBLE_EQ(r.LastAttempt, EncodeDateTime({2023, 3, 15, 10, 0, 0}));
  EXPECT_DOUBLE_EQ(r.LastImage, 45000.5 - 100);
  EXPECT_DOUBLE_EQ(r.NextAttempt, 45000.5 - 1);
  EXPECT_EQ(r.WorldLeft, 0.0f);
}

TEST_F(DownloadListTest, OnlyAWorldTextOfFourFieldsRestoresTheEdges) {
  Load("A,B,AAA\tVelocity, N0V\tx\ts\t1.5,2,3,-4\tTRUE\tTRUE" + kTimes + "\r\n" +
       "A,B,BBB\tVelocity, N0V\tx\ts\t1,2,3\tTRUE\tTRUE" + kTimes + "\r\n" +
       "A,B,CCC\tVelocity, N0V\tx\ts\t1,2,3,4,5\tTRUE\tTRUE" + kTimes + "\r\n" +
       "A,B,DDD\tVelocity, N0V\tx\ts\t1,x,3,4\tTRUE\tTRUE" + kTimes + "\r\n");
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Objects(0).WorldLeft, 1.5f);
  EXPECT_EQ(list.Objects(0).WorldBottom, -4.0f);
  EXPECT_EQ(list.Objects(1).WorldLeft, 0.0f);
  EXPECT_EQ(list.Objects(2).WorldLeft, 0.0f);
  EXPECT_EQ(list.Objects(2).WorldText, "1,2,3,4,5");
  EXPECT_EQ(list.Objects(3).WorldLeft, 1.0f) << "read up to the bad value";
  EXPECT_EQ(list.Objects(3).WorldTop, 0.0f);
}

TEST_F(DownloadListTest, EdgesOutsideAFinite32BitFloatDoNotParse) {
  Load("A,B,AAA\tVelocity, N0V\tx\ts\t1,1e39,3,4\tTRUE\tTRUE" + kTimes + "\r\n" +
       "A,B,BBB\tVelocity, N0V\tx\ts\t1,2,-inf,4\tTRUE\tTRUE" + kTimes + "\r\n");
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Objects(0).WorldLeft, 1.0f);
  EXPECT_EQ(list.Objects(0).WorldTop, 0.0f) << "1e39 is no 32-bit value";
  EXPECT_EQ(list.Objects(1).WorldRight, 0.0f);
}

// A server's reason phrase lands in Status; its control characters must not
// shift the fields or make two records of one on the next start.
TEST_F(DownloadListTest, TabsAndLineBreaksInFieldsAreSavedAsBlanks) {
  TRadarObj& r = Add("IL,Chicago,LOT", "Velocity, N0V");
  r.Status = "Error 404 Not\tFound\r\nX-Evil: 1\rend\n";
  r.WorldText = "1,2\t,3,4";
  ASSERT_TRUE(SaveDownloadListFile(path, list));
  TRadarList again;
  ASSERT_EQ(LoadDownloadListFile(path, again, kServers), 1);
  EXPECT_EQ(again.Objects(0).Status, "Error 404 Not Found  X-Evil: 1 end ");
  EXPECT_EQ(again.Objects(0).WorldText, "1,2 ,3,4");
  EXPECT_TRUE(again.Objects(0).Enabled);
  EXPECT_EQ(Log(), "") << "no damaged record logged";
}

TEST_F(DownloadListTest, ALongListLoadsWithEachKeyCheckedOnce) {
  // Duplicates are found through an index, not a walk of the list per line.
  std::string content;
  for (int i = 0; i < 20000; ++i)
    content += "XX,Place " + std::to_string(i) + ",S" + std::to_string(i) + "\tVelocity, N0V\tx\ts\t\tTRUE\tTRUE\r\n";
  content += "xx,place 7,s7\tVELOCITY, N0V\tx\ts\t\tTRUE\tTRUE\r\n";
  EXPECT_EQ(Load(content), 20000);
  list.Delete(7);
  EXPECT_NE(list.Add(RecordKey("XX,Place 7,S7", "Velocity, N0V"), std::make_unique<TRadarObj>()), nullptr)
      << "a deleted key may be added again";
}

TEST_F(DownloadListTest, LinesEndedByLfOrCrAlsoRead) {
  EXPECT_EQ(Load("A,B,AAA\tVelocity, N0V\tx\ts\t\tTRUE\tTRUE" + kTimes + "\n" + "A,B,BBB\tVelocity, N0V\tx\ts\t\tTRUE\tTRUE" +
                 kTimes + "\r" + "A,B,CCC\tVelocity, N0V\tx\ts\t\tTRUE\tTRUE" + kTimes),
            3);
  EXPECT_DOUBLE_EQ(list.Objects(2).NextAttempt, EncodeDateTime({2023, 3, 15, 10, 5, 0}));
}

TEST_F(DownloadListTest, AMissingFileAddsNothing) {
  EXPECT_EQ(LoadDownloadListFile(dir / "none.txt", list, kServers), 0);
  EXPECT_TRUE(list.Empty());
}

// The 150 built-in entries, each with one product, survive a save and a load
// with every stored field, the times to the whole second.
TEST_F(DownloadListTest, RoundTripOf150RecordsKeepsEveryStoredFieldToTheSecond) {
  const auto& radars = BuiltInRadars();
  ASSERT_EQ(radars.size(), 150u);
  for (size_t i = 0; i < radars.size(); ++i) {
    bool composite = radars[i].rfind("!!", 0) == 0;
    TRadarObj& r = Add(radars[i], composite ? ", " : ProductRecordForm(BuiltInProducts()[i % 6]));
    r.Status = i % 3 ? "Image " + std::to_string(i) + " OK" : "";
    r.WorldText = i % 2 ? FormatWorldText(-100.125f - i, 45.5f, -90.25f, 30.0625f + i) : "";
    r.Accumulate = i % 2;
    r.Enabled = i % 5 != 0;
    r.LastAttempt = EncodeDateTime({2023, 1 + int(i % 12), 1 + int(i % 28), int(i % 24), int(i % 60), 59, 999});
    r.LastImage = EncodeDateTime({2022, 12, 31, 23, 59, 58, 500}) - i;
    r.NextAttempt = r.LastAttempt + 0.25;
    r.DownloadErrors = 3;
    r.ConvertErrors = 4;
    r.CellSizeX = 0.5f;
  }
  ASSERT_TRUE(SaveDownloadListFile(dir / "DownLoadList.Txt", list));
  TRadarList back;
  EXPECT_EQ(LoadDownloadListFile(path, back, kServers), 150);
  auto toSecond = [](TDateTime t) {
    DateTimeParts p = DecodeDateTime(t);
    p.millisecond = 0;
    return EncodeDateTime(p);
  };
  for (int i = 0; i < 150; ++i) {
    SCOPED_TRACE(list.Keys(i));
    const TRadarObj &a = list.Objects(i), &b = back.Objects(i);
    EXPECT_EQ(back.Keys(i), list.Keys(i));
    EXPECT_EQ(b.Description, a.Description);
    EXPECT_EQ(b.Product, a.Product);
    EXPECT_EQ(b.BaseName, a.BaseName);
    EXPECT_EQ(b.ImageUrl, a.ImageUrl);
    EXPECT_EQ(b.Status, a.Status);
    EXPECT_EQ(b.WorldText, a.WorldText);
    EXPECT_EQ(b.Accumulate, a.Accumulate);
    EXPECT_EQ(b.Enabled, a.Enabled);
    EXPECT_NEAR(b.LastAttempt, toSecond(a.LastAttempt), 1e-9);
    EXPECT_NEAR(b.LastImage, toSecond(a.LastImage), 1e-9);
    EXPECT_NEAR(b.NextAttempt, toSecond(a.NextAttempt), 1e-9);
    EXPECT_EQ(b.DownloadErrors, 0);
    EXPECT_EQ(b.ConvertErrors, 0);
    EXPECT_EQ(b.CellSizeX, 0.0f);
    if (!a.WorldText.empty()) {
      EXPECT_EQ(b.WorldLeft, -100.125f - i);
      EXPECT_EQ(b.WorldBottom, 30.0625f + i);
    }
  }
  EXPECT_EQ(back.Objects(0).SiteName, "ConUs");
}

TEST_F(DownloadListTest, DatesReadBackUnderOtherRegionalSeparators) {
  TRadarObj& r = Add("IL,Chicago,LOT", "Velocity, N0V");
  r.LastAttempt = EncodeDateTime({2026, 12, 31, 23, 59, 1});
  r.LastImage = EncodeDateTime({2026, 1, 2, 3, 4, 5});  // 2 January, not 1 February
  r.NextAttempt = EncodeDateTime({2026, 2, 13, 0, 0, 0});
  {
    ScopedLocale german({'.', ':', ','});
    ASSERT_TRUE(SaveDownloadListFile(path, list));
  }
  EXPECT_NE(ReadFile(path).find("\t12.31.2026 23:59:01\t01.02.2026 03:04:05\t02.13.2026 00:00:00\r\n"),
            std::string::npos);
  for (LocaleSeparators loc : {LocaleSeparators{'/', ':', '.'}, LocaleSeparators{'-', '.', ','}}) {
    ScopedLocale other(loc);
    TRadarList back;
    LoadDownloadListFile(path, back, kServers);
    EXPECT_DOUBLE_EQ(back.Objects(0).LastAttempt, r.LastAttempt);
    EXPECT_DOUBLE_EQ(back.Objects(0).LastImage, r.LastImage);
    EXPECT_DOUBLE_EQ(back.Objects(0).NextAttempt, r.NextAttempt);
  }
}

TEST_F(DownloadListTest, SavingAnEmptyListEmptiesTheFileSoADeletedRecordStaysDeleted) {
  Add("IL,Chicago,LOT", "Velocity, N0V");
  ASSERT_TRUE(SaveDownloadListFile(path, list));
  list.Delete(0);
  ASSERT_TRUE(SaveDownloadListFile(path, list));
  EXPECT_EQ(ReadFile(path), "");
  TRadarList back;
  EXPECT_EQ(LoadDownloadListFile(path, back, kServers), 0);
}

TEST_F(DownloadListTest, ARecordWithoutDescriptionWritesNoLine) {
  list.Add("\tx", std::make_unique<TRadarObj>());
  Add("IL,Chicago,LOT", "Velocity, N0V");
  ASSERT_TRUE(SaveDownloadListFile(path, list));
  std::string content = ReadFile(path);
  EXPECT_EQ(content.substr(0, 15), "IL,Chicago,LOT\t");
  EXPECT_EQ(content.find("\r\n"), content.size() - 2) << "one line";
}

TEST_F(DownloadListTest, AFailedWriteLeavesTheOldFileWhole) {
  Add("IL,Chicago,LOT", "Velocity, N0V");
  ASSERT_TRUE(SaveDownloadListFile(path, list));
  const std::string old = ReadFile(path);
  // A folder in the temporary file's place makes the new file impossible.
  ASSERT_TRUE(CreateFolder(path + ".tmp"));
  WriteFile(path + ".tmp" + std::string(1, kPathDelim) + "x", "x");
  Add("WY,Riverton,RIW", "Velocity, N0V");
  EXPECT_FALSE(SaveDownloadListFile(path, list));
  EXPECT_EQ(ReadFile(path), old);
}

TEST(CatalogueTest, BuiltInListsInFull) {
  const auto& radars = BuiltInRadars();
  ASSERT_EQ(radars.size(), 150u);
  EXPECT_EQ(radars.front(), "!!ConUS,Iowa State University");
  EXPECT_EQ(radars[1], "!!USRad,Texas A&M Universtity");
  EXPECT_EQ(radars.back(), "WY,Riverton,RIW");
  int sites = 0;
  for (const std::string& r : radars) sites += r.rfind("!!", 0) != 0;
  EXPECT_EQ(sites, 148);
  std::vector<std::string> sorted = radars;
  SortItems(sorted);
  EXPECT_EQ(sorted, radars) << "kept in the selector's sorted order";
  EXPECT_NE(std::find(radars.begin(), radars.end(), "NJ/Philadelphia, PA,Fort Dix,DIX"), radars.end());
  EXPECT_NE(std::find(radars.begin(), radars.end(), "VA/Washington DC,Sterling,LWX"), radars.end());
  // Every site names a three-letter code in its last field.
  for (const std::string& r : radars) {
    if (r.rfind("!!", 0) == 0) continue;
    TRadarObj rec;
    rec.InitFromSelection(r, "Velocity, N0V", ServerSettings::Defaults());
    EXPECT_EQ(rec.SiteName.size(), 3u) << r;
  }

  const auto& products = BuiltInProducts();
  EXPECT_EQ(products.size(), 6u);
  EXPECT_EQ(products[2], "N0Z, Long Range Reflectivity ");
  EXPECT_EQ(std::find(products.begin(), products.end(), "N0R, Short Range Reflectivity"), products.end());
}

TEST(CatalogueTest, ProductRecordForm) {
  EXPECT_EQ(ProductRecordForm("N0Z, Long Range Reflectivity "), "Long Range Reflectivity, N0Z");
  EXPECT_EQ(ProductRecordForm(" N1P,1 Hour Precipitation"), "1 Hour Precipitation, N1P");
  EXPECT_EQ(ProductRecordForm(""), ", ");
  EXPECT_EQ(ProductRecordForm("NCR"), ", NCR");
  TRadarObj r;
  r.InitFromSelection("IL,Chicago,LOT", ProductRecordForm("NCR"), ServerSettings::Defaults());
  EXPECT_EQ(r.BaseName, "LOT_NCR_0");
}

TEST(CatalogueTest, AFileReplacesTheItemsOnlyWhenItExists) {
  TempDir dir;
  std::vector<std::string> items = BuiltInProducts();
  EXPECT_FALSE(LoadCatalogueFile(dir / "Products.txt", items));
  EXPECT_EQ(items, BuiltInProducts());
  WriteFile(dir / "Products.txt", "NVL, Vertically Integrated Liquid\r\n\r\nN0R, Short Range Reflectivity\r\n");
  EXPECT_TRUE(LoadCatalogueFile(dir / "products.TXT", items));
  EXPECT_EQ(items, (std::vector<std::string>{"NVL, Vertically Integrated Liquid", "N0R, Short Range Reflectivity"}));
}

}  // namespace
}  // namespace ombrix::test

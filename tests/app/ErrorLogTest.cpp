#include <gtest/gtest.h>

#include "MainFixture.h"
#include "host/Discovery.h"
#include "util/FileUtil.h"
#include "util/Locale.h"

namespace ombrix::test {
namespace {

// Local time of the fixture's clock: 13:00:00 on 15 March 2023.
const std::string kHeaderServer = "13:00:00 Ombrix 2.2.1 server mode.  PMapUnderlayPath = ";
const std::string kMemoryLine =
    "Mem load=37,Tot phys=6291456k,Mem phys avail =3145728k,tot page file=8388608k,Avail page file=5242880k,"
    "Total Virtual=2097152k,Avail Virtual=1048576k,(Page in use=3145728k)";

class ErrorLogTest : public MainFixture {
 protected:
  // Logging through the plain config, as code without a window uses it.
  void LogOn(bool on = true) {
    ErrorLogConfig& cfg = TheErrorLogConfig();
    cfg.folder = dir.Path();
    cfg.enabled = on;
  }
  std::string Log() { return ReadFile(LogPath()); }
};

TEST_F(ErrorLogTest, LoggingOffCreatesNoFile) {
  LogOn(false);
  LogError("anything");
  LogError("Ombrix 2.2.1 in server mode");
  EXPECT_FALSE(FileExists(LogPath()));
  TMain& m = Start();  // a window with "Log errors" unchecked
  m.FormClose();
  EXPECT_FALSE(FileExists(LogPath()));
}

TEST_F(ErrorLogTest, FirstMessageOfTheDayFollowsTheHeaderAndMemoryLines) {
  LogOn();
  LastMemoryLog = 0;
  LogError("X");
  EXPECT_EQ(Log(), kHeaderServer + "\r\n" + kMemoryLine + "\r\nX 13:00:00\r\n");
  EXPECT_DOUBLE_EQ(LastMemoryLog, LocalNow());
  EXPECT_EQ(MemoryLoad, 37);
  clock.AdvanceMs(61000);
  LogError("Y");
  EXPECT_EQ(Log(), kHeaderServer + "\r\n" + kMemoryLine + "\r\nX 13:00:00\r\nY 13:01:01\r\n");
}

TEST_F(ErrorLogTest, AModeMessageFirstOfTheDayIsReplacedByTheHeader) {
  LogOn();
  LogError("Ombrix 2.2.1 in server mode");
  EXPECT_EQ(Log(), kHeaderServer + "\r\n" + kMemoryLine + "\r\n");
  LogError("Ombrix 2.2.1 in client mode");  // not first any more: written
  EXPECT_NE(Log().find("\r\nOmbrix 2.2.1 in client mode 13:00:00\r\n"), std::string::npos);
}

TEST_F(ErrorLogTest, AMessageBeginningWithATimeIsTrimmedAndGetsNoSecondTime) {
  LogOn();
  LogError("  12:00:00 done \t ");
  LogError("  padded  ");
  LogError("a:b");  // first ":" not third: time appended
  std::string log = Log();
  EXPECT_NE(log.find("\r\n12:00:00 done\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("\r\npadded 13:00:00\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("\r\na:b 13:00:00\r\n"), std::string::npos) << log;
}

TEST_F(ErrorLogTest, EachLocalDayHasItsOwnFileAndHeader) {
  LogOn();
  LogError("first");
  clock.AdvanceMs(11 * 3600 * 1000);  // local 00:00:00 of 16 March
  LogError("second");
  std::string next = ReadFile(dir / "R20230316ErrorLog.txt");
  EXPECT_EQ(next.substr(0, 9), "00:00:00 ");
  EXPECT_NE(next.find("\r\nsecond 00:00:00\r\n"), std::string::npos);
  EXPECT_EQ(Log().find("second"), std::string::npos);
}

TEST_F(ErrorLogTest, HeaderNamesTheModeAndTheUnderlayFolderOfTheWindow) {
  ini->Set("User", "LogErrors", "1");
  TMain& m = Make();
  m.Logerrors1.checked = true;
  Host.PMapUnderlayPath = "C:\\PMapServer7\\PMap Underlays\\";
  m.ModeGrp.itemIndex = 1;
  LogError("hello");
  EXPECT_EQ(Log().substr(0, Log().find("\r\n")),
            "13:00:00 Ombrix 2.2.1 client mode.  PMapUnderlayPath = C:\\PMapServer7\\PMap Underlays\\");
}

TEST_F(ErrorLogTest, SwitchingLoggingOnAndOffLeavesALineEachWay) {
  TMain& m = Start();
  m.Logerrors1Click();  // on, first line of the day: the header replaces it
  EXPECT_TRUE(m.Logerrors1.checked);
  EXPECT_EQ(Ini("User", "LogErrors"), "1");
  EXPECT_EQ(Log(), kHeaderServer + "\r\n" + kMemoryLine + "\r\n");
  m.Logerrors1Click();  // off: logged while still on
  EXPECT_EQ(Ini("User", "LogErrors"), "0");
  m.Logerrors1Click();  // on again, the day's file exists now
  EXPECT_EQ(Log(), kHeaderServer + "\r\n" + kMemoryLine +
                       "\r\nOmbrix 2.2.1 Server mode, errorlog off 13:00:00\r\n"
                       "Ombrix 2.2.1 Server mode, errorlog on 13:00:00\r\n");
}

TEST_F(ErrorLogTest, AnUnwritableLogLosesTheLineAndNothingElse) {
  ErrorLogConfig& cfg = TheErrorLogConfig();
  cfg.folder = dir / "no such folder/";
  cfg.enabled = true;
  EXPECT_NO_THROW(LogError("lost"));
  cfg.folder = dir.Path();
  CreateFolder(LogPath());  // a folder where the day's file should be
  EXPECT_NO_THROW(LogError("lost too"));
}

TEST_F(ErrorLogTest, MemoryTextsToTheLetter) {
  EXPECT_EQ(MemoryReportText(), kMemoryLine);
  EXPECT_EQ(MemoryStatusText(), "Mem load=37,Mem phys avail=3145728k,Total Virtual=2097152k,Page in use=3145728k");
  memory.reading.memoryLoad = 91;
  MemoryStatusText();
  EXPECT_EQ(MemoryLoad, 91) << "each report takes a fresh reading";
}

TEST_F(ErrorLogTest, MachinesWithMoreThan2GiBReportPositiveCounts) {
  memory.reading = {50, 16ull << 30, 9ull << 30, 20ull << 30, 12ull << 30, 4ull << 30, 3ull << 30};
  EXPECT_EQ(MemoryReportText(),
            "Mem load=50,Tot phys=16777216k,Mem phys avail =9437184k,tot page file=20971520k,"
            "Avail page file=12582912k,Total Virtual=4194304k,Avail Virtual=3145728k,(Page in use=8388608k)");
  memory.reading.availPageFile = memory.reading.totalPageFile + 1;  // never a negative "in use"
  EXPECT_NE(MemoryStatusText().find("Page in use=0k"), std::string::npos);
}

TEST(MemoryCountTest, KiBRoundToNearestWithTiesToEven) {
  EXPECT_EQ(KiBRounded(0), 0u);
  EXPECT_EQ(KiBRounded(511), 0u);
  EXPECT_EQ(KiBRounded(512), 0u);    // 0.5 -> 0
  EXPECT_EQ(KiBRounded(513), 1u);
  EXPECT_EQ(KiBRounded(1536), 2u);   // 1.5 -> 2
  EXPECT_EQ(KiBRounded(2560), 2u);   // 2.5 -> 2
  EXPECT_EQ(KiBRounded(3584), 4u);   // 3.5 -> 4
  EXPECT_EQ(KiBRounded(4294967295ull), 4194304u);
}

TEST(MemoryCountTest, TheSystemReadingIsPlausible) {
  MemoryStatusReading r = SystemMemoryStatus().Read();
  EXPECT_GT(r.totalPhys, 0u);
  EXPECT_LE(r.availPhys, r.totalPhys);
  EXPECT_LE(r.memoryLoad, 100u);
  EXPECT_GT(r.totalVirtual, 0u);
}

}  // namespace
}  // namespace ombrix::test

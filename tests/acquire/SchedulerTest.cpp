// The Process tick and the Download commands: due scans, the next-attempt
// announcement, memory watching, suspension and the closing exit.
#include "acquire/AcquisitionFixture.h"

using namespace ombrix;
using namespace ombrix::test;

namespace {

struct SchedulerFixture : AcquisitionFixture {
  int passes = 0;  // every finished pass saves the list once
  void Tick() {
    const int before = host.saves;
    scheduler.ProcessTimer();
    passes += host.saves - before;
  }
  std::string LocalTime(TDateTime utc) { return FormatDateTime(DateTimePattern::Time, utc - 0.25); }
};

}  // namespace

TEST_F(SchedulerFixture, AnnouncesTheEarliestEnabledAttemptWithATenSecondMinimum) {
  const TDateTime now = clock.UtcNow();
  for (int minutes : {7, 3, 12}) AddRecord("IL,Chicago,LOT" + std::to_string(minutes)).NextAttempt = now + minutes * 60 * kSec;
  TRadarObj& off = AddRecord("IL,Lincoln,ILX");
  off.Enabled = false;
  off.NextAttempt = now - 3600 * kSec;
  Tick();
  EXPECT_EQ(passes, 0);
  EXPECT_EQ(Sbar.panels[0], "Waiting for new files, next scheduled download attempt " + LocalTime(now + 180 * kSec));
  EXPECT_EQ(Sbar.panels[1], "Idle");
  EXPECT_EQ(Shape1.brushColour, clLime);
  EXPECT_TRUE(Process.Enabled() && DeleteBtn.enabled && DownloadBtn.enabled && RadarGrid.enabled);

  host.records.Objects(1).NextAttempt = now + 4 * kSec;
  host.client = true;
  Tick();
  EXPECT_EQ(Sbar.panels[0], "Waiting for new files, next scheduled processing attempt " + LocalTime(now + 10 * kSec));
}

TEST_F(SchedulerFixture, WithNothingEnabledTheWaitDependsOnTheClockMoving) {
  AddLot().Enabled = false;
  Tick();
  EXPECT_EQ(Sbar.panels[0], "No files scheduled for download");
  host.onPump = [this] { clock.AdvanceMs(5); };
  const TDateTime tick = clock.UtcNow();
  Tick();
  EXPECT_EQ(Sbar.panels[0], "Waiting for new files, next scheduled download attempt " + LocalTime(tick + 1.0 / 24));
}

TEST_F(SchedulerFixture, ADueRecordRunsAPass) {
  AddLot();
  Tick();
  EXPECT_EQ(passes, 1);
  EXPECT_EQ(host.fetched.size(), 1u);
  EXPECT_EQ(Sbar.panels[1], "Idle");
  EXPECT_TRUE(Process.Enabled());
}

TEST_F(SchedulerFixture, MemoryWarningsComeOncePerEpisodeAndTheReportHourly) {
  memory.reading.memoryLoad = 85;
  Tick();
  EXPECT_EQ(HeapLbl.caption, "Warning, 15% memory remaining");
  EXPECT_EQ(HeapLbl.colour, clRed);
  Tick();
  std::string log = Log();
  EXPECT_NE(log.find("Mem Warning "), std::string::npos);
  EXPECT_EQ(log.find("Mem Warning "), log.rfind("Mem Warning ")) << "one line per episode";

  memory.reading.memoryLoad = 84;
  Tick();
  EXPECT_EQ(HeapLbl.caption, "16% memory available");
  EXPECT_EQ(HeapLbl.colour, clBlack);
  memory.reading.memoryLoad = 90;
  Tick();
  log = Log();
  EXPECT_NE(log.find("Mem Warning "), log.rfind("Mem Warning ")) << "a new episode warns again";

  // An hour and a bit without a log line: the next tick writes the report.
  const size_t size = Log().size();
  clock.AdvanceMs(3601 * 1000);
  Tick();
  EXPECT_GT(Log().size(), size);
  EXPECT_NEAR(LastMemoryLog, clock.LocalNow(), kSec);
}

TEST_F(SchedulerFixture, MissingHostsSuspendOrWarn) {
  AddLot();
  Host.MapName = "Chicago.map";
  Tick();
  EXPECT_EQ(Form.caption, "PMapServer NOT selected in UiView!");
  EXPECT_EQ(passes, 1) << "an unselected map only warns";

  Host.PMapServerPath.clear();
  host.records.Objects(0).NextAttempt = clock.UtcNow();
  Tick();
  EXPECT_EQ(passes, 1);
  EXPECT_EQ(StateLbl.caption, "Processing suspended, cannot find local PMapServer directory!");
  EXPECT_EQ(StateLbl.colour, clRed);
  EXPECT_EQ(Sbar.panels[0], "Cannot find PMapServer directory!");
  EXPECT_EQ(Sbar.panels[1], "ERROR");
  EXPECT_EQ(host.beeps, 1);
  EXPECT_EQ(host.uiStatus, 3);
}

TEST_F(SchedulerFixture, LoopsClosingAndExceptionsLeaveTheTickIdle) {
  AddLot();
  LoopRunning = true;
  Tick();
  EXPECT_EQ(passes, 0);
  EXPECT_TRUE(host.fetched.empty());
  LoopRunning = false;

  host.onPump = [] { Closing = true; };
  Tick();
  EXPECT_EQ(passes, 0);
  EXPECT_TRUE(Process.Enabled()) << "the closing exit gives the timer back";
  EXPECT_EQ(Sbar.panels[1], "Idle");
  Closing = false;

  host.onPump = [] { throw std::runtime_error("boom"); };
  Tick();
  EXPECT_TRUE(Process.Enabled() && DeleteBtn.enabled && DownloadBtn.enabled && RadarGrid.enabled);
}

TEST_F(SchedulerFixture, DownloadCommandsMakeTheSelectedRecordDue) {
  TRadarObj& lot = AddLot();
  lot.NextAttempt = clock.UtcNow() + 1;
  RadarGrid.row = 0;  // the header row: no record changes, the pass still runs
  scheduler.DownloadBtnClick();
  EXPECT_EQ(host.saves, 1);
  EXPECT_TRUE(host.fetched.empty());

  RadarGrid.row = 1;
  scheduler.Downloadcurrentrecord1Click();
  EXPECT_EQ(host.fetched.size(), 1u);
  EXPECT_TRUE(Process.Enabled() && DeleteBtn.enabled);

  // During a tick the record only becomes due.
  lot.NextAttempt = clock.UtcNow() + 1;
  Process.SetEnabled(false);
  scheduler.DownloadBtnClick();
  EXPECT_EQ(host.saves, 2);
  EXPECT_NEAR(lot.NextAttempt, clock.UtcNow() - 60 * kSec, kSec);
  Process.SetEnabled(true);

  RadarGrid.row = -1;
  scheduler.DownloadBtnClick();
  scheduler.Downloadcurrentrecord1Click();
  EXPECT_EQ(host.errorBoxes, (std::vector<std::string>(2, "Radar record not selected, aborting!")));
}

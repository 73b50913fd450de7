// The close request waits for a running pass, but never for long.
#include <gtest/gtest.h>

#include "app/ProcessState.h"
#include "records/RadarObj.h"
#include "support/TempDir.h"
#include "ui/MainFrm.h"
#include "util/FakeEventLoop.h"

namespace ombrix {
namespace {

class CloseRequestTest : public ::testing::Test {
 protected:
  CloseRequestTest() {
    ResetProcessState();
    Platform platform;
    platform.loop = &loop;
    platform.beep = [this] { ++beeps; };
    form = std::make_unique<TMain>(platform, dir.Path());
  }
  ~CloseRequestTest() override { ResetProcessState(); }

  // A pass in progress: it holds Process and gives it back when it sees
  // Closing at a timer tick, after the given time.
  void PassRunning(unsigned endsAfterMs) {
    form->Process->SetEnabled(false);
    pass = std::make_unique<Timer>(loop, endsAfterMs, true, [this] {
      if (Closing) form->Process->SetEnabled(true);
      pass->SetEnabled(false);
    });
  }

  test::TempDir dir;
  FakeClock clock;
  FakeEventLoop loop{clock};
  int beeps = 0;
  std::unique_ptr<TMain> form;
  std::unique_ptr<Timer> pass;
};

TEST_F(CloseRequestTest, IdleProgramClosesAtOnce) {
  EXPECT_TRUE(form->FormCloseQuery());
  EXPECT_TRUE(Closing);
  EXPECT_TRUE(FetchTimedOut);
  EXPECT_EQ(loop.NowMs(), 0);
}

TEST_F(CloseRequestTest, PassThatStopsIsWaitedFor) {
  PassRunning(1500);
  EXPECT_TRUE(form->FormCloseQuery());
  EXPECT_TRUE(form->Process->Enabled());
  // The first wait is a fixed 4 seconds; the second is skipped.
  EXPECT_EQ(loop.NowMs(), 4000);
  EXPECT_EQ(beeps, 0);
}

TEST_F(CloseRequestTest, PassThatNeverStopsIsGivenAboutEightSeconds) {
  PassRunning(60000);
  EXPECT_TRUE(form->FormCloseQuery()) << "the close takes the timer back itself";
  EXPECT_TRUE(form->Process->Enabled());
  EXPECT_EQ(loop.NowMs(), 8000);
}

TEST_F(CloseRequestTest, CloseGivesAStuckPassOneMoreSecondThenEndsInOrder) {
  form->SettingsFile = dir / "Ombrix2.ini";
  form->RadarList.Add("a", std::make_unique<TRadarObj>());
  PassRunning(60000);
  form->FormClose();
  EXPECT_EQ(loop.NowMs(), 1000);
  EXPECT_TRUE(Closing);
  EXPECT_FALSE(form->Timer1->Enabled()) << "no loop starts while closing";
  EXPECT_TRUE(form->Process->Enabled());
  EXPECT_TRUE(form->RadarList.Empty());
  EXPECT_EQ(beeps, 0);
}

TEST_F(CloseRequestTest, ASettingsFileThatCannotBeWrittenBeepsAndTheCloseGoesOn) {
  form->SettingsFile = dir / "no such folder/Ombrix2.ini";
  form->LoadSettings();
  form->FormClose();
  EXPECT_EQ(beeps, 1);
  form->FormDestroy();  // the window is destroyed all the same
}

}  // namespace
}  // namespace ombrix

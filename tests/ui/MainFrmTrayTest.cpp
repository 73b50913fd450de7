// The tray side of the main window: the tray menu's opening and exit,
// minimise on startup, and the timers that keep the displays alive.
#include <gtest/gtest.h>

#include "app/ProcessState.h"
#include "support/TempDir.h"
#include "ui/MainFrm.h"
#include "util/Clock.h"
#include "util/FakeEventLoop.h"

using namespace ombrix;

namespace {

class TrayTest : public ::testing::Test {
 protected:
  FakeClock clock{45000.5, 1.0 / 24};
  ScopedClock useClock{clock};
  FakeEventLoop loop{clock};
  test::TempDir dir;
  int closes = 0;
  std::unique_ptr<TMain> form;

  void SetUp() override {
    ResetProcessState();
    Platform p;
    p.loop = &loop;
    p.closeMainWindow = [this] { ++closes; };
    p.saveSettings = [] {};
    form = std::make_unique<TMain>(p, dir.Path());
  }
  void TearDown() override { ResetProcessState(); }
};

TEST_F(TrayTest, OpeningTheTrayMenuRefreshesTheStatusAndTheLoopItems) {
  EXPECT_EQ(form->LoopRadar1.caption, "&Loop Radar");
  EXPECT_FALSE(form->LoopRadar1.enabled);
  EXPECT_TRUE(form->RadarZoom1.enabled);
  form->LoopLbl.caption = "Looped 10 images in 2.5 secs";
  // A pass holds the scheduler: the loop tick runs once at once (and only
  // shows the clock, as no loop starts during a pass).
  form->Process->SetEnabled(false);
  form->TrayPopupPopup();
  EXPECT_EQ(form->LoopLbl.caption, "....");
  EXPECT_EQ(form->UvULbl.caption.rfind("Unable to determine current UiView Map", 0), 0u) << "status refreshed";
  EXPECT_EQ(form->TimeLbl.caption, FormatDateTime(DateTimePattern::Time, LocalNow()));
  EXPECT_TRUE(form->Timer1->Enabled());

  // Exit removes the icon first, then closes through the close steps.
  form->EXit2Click();
  EXPECT_FALSE(form->TrayIconShown);
  EXPECT_EQ(closes, 1);
}

TEST_F(TrayTest, MinimizeOnStartupGoesToTheTrayAtActivation) {
  form->Minimizeonstartup1.checked = true;
  form->FormActivate();
  EXPECT_TRUE(form->Form.minimized);
  EXPECT_FALSE(form->Form.visible) << "no taskbar button";
  form->TrayIconDblClick();
  EXPECT_TRUE(form->Form.visible);
  EXPECT_FALSE(form->Form.minimized);
}

TEST_F(TrayTest, TimersRunAtTheirIntervals) {
  struct Case {
    Timer* timer;
    unsigned interval;
  } cases[] = {{form->Process.get(), 10000}, {form->MinTimer.get(), 60000}, {form->RidgeTimer.get(), 4000},
               {form->WldTimer.get(), 4000}, {form->Timer1.get(), 1000}};
  for (const Case& c : cases) {
    EXPECT_EQ(c.timer->Interval(), c.interval);
    EXPECT_TRUE(c.timer->Enabled());
  }
  form->RidgeTimer->SetEnabled(false);  // the fetch time-out is not what is tested here
  loop.AdvanceMs(1000);
  EXPECT_EQ(form->TimeLbl.caption, FormatDateTime(DateTimePattern::Time, LocalNow())) << "Timer1 ticked";
  FetchBusy = true;  // a download on RidgeCli runs when WldTimer fires
  loop.AdvanceMs(3000);
  EXPECT_FALSE(FetchTimedOut) << "WldTimer cut a download it does not guard";
  EXPECT_FALSE(form->WldTimer->Enabled());
  FetchBusy = false;
}

}  // namespace

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "util/Clock.h"
#include "util/EventLoop.h"
#include "util/FakeEventLoop.h"

using namespace ombrix;

TEST(FakeEventLoop, ADayOfTenSecondTicksRunsAtOnce) {
  FakeClock clock;
  FakeEventLoop loop(clock);
  int ticks = 0;
  long long lastAt = -1;
  bool evenlySpaced = true;
  Timer process(loop, 10000, true, [&] {
    long long now = loop.NowMs();
    if (lastAt >= 0 && now - lastAt != 10000) evenlySpaced = false;
    lastAt = now;
    ++ticks;
  });
  loop.AdvanceMs(86400000LL);
  EXPECT_EQ(ticks, 8640);
  EXPECT_TRUE(evenlySpaced);
  EXPECT_EQ(clock.MonotonicMs(), 86400000LL);
}

TEST(FakeEventLoop, EnablingOrChangingTheIntervalRestartsTheCountdown) {
  FakeClock clock;
  FakeEventLoop loop(clock);
  int ticks = 0;
  Timer t(loop, 1000, true, [&] { ++ticks; });
  loop.AdvanceMs(600);
  t.SetEnabled(false);
  loop.AdvanceMs(5000);
  EXPECT_EQ(ticks, 0);
  t.SetEnabled(true);
  loop.AdvanceMs(999);
  EXPECT_EQ(ticks, 0);
  loop.AdvanceMs(1);
  EXPECT_EQ(ticks, 1);
  loop.AdvanceMs(500);
  t.SetInterval(2000);  // restarts: next tick 2000 ms from here
  loop.AdvanceMs(1999);
  EXPECT_EQ(ticks, 1);
  loop.AdvanceMs(1);
  EXPECT_EQ(ticks, 2);
  t.SetInterval(0);  // a zero interval never fires
  loop.AdvanceMs(100000);
  EXPECT_EQ(ticks, 2);
  EXPECT_TRUE(t.Enabled());
}

TEST(FakeEventLoop, HandlersMayChangeTheirOwnAndOtherTimers) {
  FakeClock clock;
  FakeEventLoop loop(clock);
  int once = 0, other = 0;
  Timer second(loop, 100, true, [&] { ++other; });
  Timer first(loop, 50, true);
  // A long-running handler disables its own timer first, like ProcessTimer.
  first.SetOnTimer([&] {
    ++once;
    first.SetEnabled(false);
    second.SetEnabled(false);
  });
  loop.AdvanceMs(10000);
  EXPECT_EQ(once, 1);
  EXPECT_EQ(other, 0);
  EXPECT_FALSE(first.Enabled());
  // Re-enabling inside its own handler gives a fresh full interval.
  int again = 0;
  Timer self(loop, 100, true);
  self.SetOnTimer([&] {
    ++again;
    self.SetEnabled(false);
    self.SetEnabled(true);
  });
  loop.AdvanceMs(1000);
  EXPECT_EQ(again, 10);
}

TEST(FakeEventLoop, PostedCallsRunInOrderAtTheNextProcessMessages) {
  FakeClock clock;
  FakeEventLoop loop(clock);
  std::vector<std::string> order;
  loop.Post([&] {
    order.push_back("a");
    loop.Post([&] { order.push_back("nested"); });
  });
  loop.Post([&] { order.push_back("b"); });
  EXPECT_TRUE(order.empty());
  loop.WaitForInput(60000);  // a posted call is waiting: no time passes
  EXPECT_EQ(clock.MonotonicMs(), 0);
  loop.ProcessMessages();
  EXPECT_EQ(order, (std::vector<std::string>{"a", "b"}));
  loop.ProcessMessages();
  EXPECT_EQ(order, (std::vector<std::string>{"a", "b", "nested"}));
}

TEST(FakeEventLoop, WaitForInputStopsAtTheNextDueTimer) {
  FakeClock clock;
  FakeEventLoop loop(clock);
  int ticks = 0;
  Timer t(loop, 300, true, [&] { ++ticks; });
  loop.WaitForInput(1000);
  EXPECT_EQ(clock.MonotonicMs(), 300);
  loop.ProcessMessages();
  EXPECT_EQ(ticks, 1);
  t.SetEnabled(false);
  loop.WaitForInput(1000);
  EXPECT_EQ(clock.MonotonicMs(), 1300);
}

TEST(PumpDelay, ReturnsAfterTheTimeWhileTimersKeepFiring) {
  FakeClock clock(45000.0);
  FakeEventLoop loop(clock);
  int ticks = 0;
  Timer t(loop, 100, true, [&] { ++ticks; });
  bool posted = false;
  loop.Post([&] { posted = true; });
  PumpDelay(loop, 2.5);
  EXPECT_GE(clock.MonotonicMs(), 2500);
  EXPECT_LT(clock.MonotonicMs(), 2600);
  EXPECT_EQ(ticks, 25);
  EXPECT_TRUE(posted);
  EXPECT_DOUBLE_EQ(clock.UtcNow(), 45000.0 + 2500 / kMsPerDay);
  PumpDelay(loop, 0);  // returns at once but still serves events
  EXPECT_EQ(clock.MonotonicMs(), 2500);
  PumpDelay(loop, 0.3);  // 299.99.. ms as a double: still the full 300
  EXPECT_EQ(clock.MonotonicMs(), 2800);
}

TEST(FakeClock, ADayOfSmallStepsGathersNoRoundingError) {
  FakeClock clock(45000.0);
  for (int i = 0; i < 8640; ++i) clock.AdvanceMs(10000);
  EXPECT_EQ(clock.UtcNow(), 45001.0);
  clock.SetUtc(46000.25);
  clock.AdvanceMs(21600000);
  EXPECT_EQ(clock.UtcNow(), 46000.5);
  EXPECT_EQ(clock.MonotonicMs(), 86400000LL + 21600000LL);
}

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <thread>

#include "util/win32/Win32EventLoop.h"

using namespace ombrix;

namespace {

// Serves the loop until done() or a generous deadline.
template <typename Done>
bool ServeUntil(EventLoop& loop, Done done, DWORD deadlineMs = 10000) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > deadlineMs) return false;
    loop.WaitForInput(200);
    loop.ProcessMessages();
  }
  return true;
}

}  // namespace

TEST(Win32EventLoop, TimersFireWithinProcessMessages) {
  Win32EventLoop loop;
  int fast = 0, slow = 0;
  Timer a(loop, 10, true, [&] { ++fast; });
  Timer b(loop, 60000, true, [&] { ++slow; });
  EXPECT_TRUE(ServeUntil(loop, [&] { return fast >= 3; }));
  EXPECT_EQ(slow, 0);
  // A disabled timer stops; one that disables itself fires once.
  a.SetEnabled(false);
  int before = fast;
  int once = 0;
  Timer c(loop, 10, true);
  c.SetOnTimer([&] {
    ++once;
    c.SetEnabled(false);
  });
  EXPECT_TRUE(ServeUntil(loop, [&] { return once > 0; }));
  for (int i = 0; i < 5; ++i) {
    loop.WaitForInput(20);
    loop.ProcessMessages();
  }
  EXPECT_EQ(once, 1);
  EXPECT_EQ(fast, before);
}

TEST(Win32EventLoop, PostFromAnotherThreadRunsOnTheLoopThread) {
  Win32EventLoop loop;
  std::atomic<bool> ran{false};
  DWORD ranOn = 0;
  std::thread poster([&] {
    Sleep(20);
    loop.Post([&] {
      ranOn = GetCurrentThreadId();
      ran = true;
    });
  });
  DWORD start = GetTickCount();
  loop.WaitForInput(60000);  // the posted message ends the wait
  EXPECT_LT(GetTickCount() - start, 30000u);
  poster.join();
  EXPECT_TRUE(ServeUntil(loop, [&] { return ran.load(); }));
  EXPECT_EQ(ranOn, GetCurrentThreadId());
}

TEST(Win32EventLoop, PumpDelayKeepsTimersRunning) {
  Win32EventLoop loop;
  int ticks = 0;
  Timer t(loop, 10, true, [&] { ++ticks; });
  long long start = loop.NowMs();
  PumpDelay(loop, 0.3);
  EXPECT_GE(loop.NowMs() - start, 300);
  EXPECT_GT(ticks, 0);
}

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "util/posix/PosixEventLoop.h"

using namespace ombrix;

namespace {

// Serves the loop until done() or a generous deadline.
template <typename Done>
bool ServeUntil(EventLoop& loop, Done done, int deadlineMs = 10000) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(deadlineMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    loop.WaitForInput(200);
    loop.ProcessMessages();
  }
  return true;
}

}  // namespace

TEST(PosixEventLoop, PostFromAnotherThreadWakesTheWait) {
  PosixEventLoop loop;
  std::atomic<bool> ran{false};
  std::thread::id ranOn;
  std::thread poster([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    loop.Post([&] {
      ranOn = std::this_thread::get_id();
      ran = true;
    });
  });
  auto start = std::chrono::steady_clock::now();
  loop.WaitForInput(60000);  // would wait a minute without the wake-up
  auto waited = std::chrono::steady_clock::now() - start;
  poster.join();
  EXPECT_LT(waited, std::chrono::seconds(30));
  EXPECT_FALSE(ran);  // only ProcessMessages runs posted calls
  loop.ProcessMessages();
  EXPECT_TRUE(ran);
  EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(PosixEventLoop, ReportsSocketReadiness) {
  int sv[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, sv), 0);
  PosixEventLoop loop;
  unsigned seen = 0;
  int calls = 0;
  loop.WatchSocket(sv[0], kSocketReadable | kSocketClosed, [&](unsigned events, int) {
    seen |= events;
    ++calls;
    char buf[16];
    (void)!read(sv[0], buf, sizeof buf);
  });
  loop.ProcessMessages();
  EXPECT_EQ(calls, 0);  // nothing to read yet
  ASSERT_EQ(write(sv[1], "x", 1), 1);
  ASSERT_TRUE(ServeUntil(loop, [&] { return calls > 0; }));
  EXPECT_TRUE(seen & kSocketReadable);
  close(sv[1]);
  seen = 0;
  ASSERT_TRUE(ServeUntil(loop, [&] { return (seen & kSocketClosed) != 0; }));

  // Writable at once; unwatching from inside the handler stops the calls.
  int sv2[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, sv2), 0);
  int writable = 0;
  loop.WatchSocket(sv2[0], kSocketWritable, [&](unsigned events, int) {
    if (events & kSocketWritable) ++writable;
    loop.UnwatchSocket(sv2[0]);
  });
  ASSERT_TRUE(ServeUntil(loop, [&] { return writable > 0; }));
  loop.ProcessMessages();
  loop.ProcessMessages();
  EXPECT_EQ(writable, 1);
  loop.UnwatchSocket(sv[0]);
  close(sv[0]);
  close(sv2[0]);
  close(sv2[1]);
}

TEST(PosixEventLoop, TimersFireOnTheRealClock) {
  PosixEventLoop loop;
  int ticks = 0;
  Timer t(loop, 5, true, [&] { ++ticks; });
  EXPECT_TRUE(ServeUntil(loop, [&] { return ticks >= 3; }));
  t.SetEnabled(false);
  int before = ticks;
  loop.WaitForInput(20);
  loop.ProcessMessages();
  EXPECT_EQ(ticks, before);
}

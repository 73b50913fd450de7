// An event loop on a FakeClock for tests: time moves only when a test
// advances it or when the code under test waits, so a day of timer ticks
// runs in milliseconds and every tick is deterministic.
#pragma once
#include <deque>
#include <functional>

#include "util/Clock.h"
#include "util/EventLoop.h"
#include "util/TimerQueue.h"

namespace ombrix {

class FakeEventLoop : public EventLoop {
 public:
  explicit FakeEventLoop(FakeClock& clock) : clock_(clock) {}

  TimerId CreateTimer(std::function<void()> onTick) override { return timers_.Create(std::move(onTick)); }
  void ConfigureTimer(TimerId id, unsigned intervalMs, bool enabled) override {
    timers_.Configure(id, intervalMs, enabled, NowMs());
  }
  void DestroyTimer(TimerId id) override { timers_.Destroy(id); }
  void Post(std::function<void()> fn) override { posted_.push_back(std::move(fn)); }
  void ProcessMessages() override;
  // Advances the clock to the next due timer, at most ms; returns at once
  // when a posted call is waiting.
  void WaitForInput(unsigned ms) override;
  void WatchSocket(SocketHandle, unsigned, SocketHandler) override;
  void UnwatchSocket(SocketHandle) override {}
  long long NowMs() override { return clock_.MonotonicMs(); }

  // Moves the clock forward by ms, firing every timer at its due time.
  void AdvanceMs(long long ms);
  int ProcessMessagesCalls() const { return processCalls_; }

 private:
  FakeClock& clock_;
  TimerQueue timers_;
  std::deque<std::function<void()>> posted_;
  int processCalls_ = 0;
};

}  // namespace ombrix

// A real poll loop whose timers run on a FakeClock. Sockets are real; the
// clock jumps forward whenever nothing is ready, so weeks of timer ticks with
// real loopback fetches run in minutes and a server that stalls costs a few
// real milliseconds per simulated second instead of its whole time-out.
#pragma once
#include "util/Clock.h"
#include "util/posix/PosixEventLoop.h"

namespace ombrix::test {

class SimulatedTimeLoop : public PosixEventLoop {
 public:
  // realSliceMs: how long a wait listens for real input before it takes the
  // silence as the simulated wait having passed. It must exceed the time a
  // loopback peer needs to answer, or simulated time-outs fire early.
  explicit SimulatedTimeLoop(FakeClock& clock, int realSliceMs = 50)
      : PosixEventLoop(clock), clock_(clock), slice_(realSliceMs) {}

  void WaitForInput(unsigned ms) override;
  // Moves the clock ms forward, firing every timer at its due time.
  void AdvanceMs(long long ms);

 private:
  FakeClock& clock_;
  int slice_;
};

}  // namespace ombrix::test

// A real poll loop whose timers run on a FakeClock. Sockets are real; the
// clock jumps forward whenever nothing is ready, so weeks of timer ticks with
// real loopback fetches run in minutes and a server that stalls costs a tenth
// of its time-out in real time.
#pragma once
#include "util/Clock.h"
#include "util/posix/PosixEventLoop.h"

namespace ombrix::test {

class SimulatedTimeLoop : public PosixEventLoop {
 public:
  // A wait listens for real input for realSliceMs at a time; each silent
  // slice moves the clock speedup times as far. A loopback peer silent for
  // a whole time-out / speedup is taken as stalled, so that must be far
  // longer than any answer of a well peer on a busy machine.
  explicit SimulatedTimeLoop(FakeClock& clock, int realSliceMs = 20, int speedup = 10)
      : PosixEventLoop(clock), clock_(clock), slice_(realSliceMs), speedup_(speedup) {}

  void WaitForInput(unsigned ms) override;
  // Moves the clock ms forward, firing every timer at its due time.
  void AdvanceMs(long long ms);

 private:
  FakeClock& clock_;
  int slice_, speedup_;
};

}  // namespace ombrix::test

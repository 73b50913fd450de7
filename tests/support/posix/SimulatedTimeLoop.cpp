#include "support/posix/SimulatedTimeLoop.h"

#include <algorithm>

namespace ombrix::test {

void SimulatedTimeLoop::WaitForInput(unsigned ms) {
  if (HasPosted()) return;
  const long long next = MsUntilNextTimer();
  const long long wait = (next >= 0 && next < ms) ? next : ms;
  if (wait <= 0) return;
  if (!Poll(slice_, false)) clock_.AdvanceMs(std::min<long long>(wait, static_cast<long long>(slice_) * speedup_));
}

void SimulatedTimeLoop::AdvanceMs(long long ms) {
  const long long end = NowMs() + ms;
  for (;;) {
    ProcessMessages();
    const long long left = end - NowMs();
    if (left <= 0) break;
    const long long next = MsUntilNextTimer();
    if (next == 0) continue;
    clock_.AdvanceMs(next < 0 || next > left ? left : next);
  }
}

}  // namespace ombrix::test

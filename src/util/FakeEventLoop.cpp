#include "util/FakeEventLoop.h"

#include <stdexcept>

namespace ombrix {

void FakeEventLoop::ProcessMessages() {
  ++processCalls_;
  std::deque<std::function<void()>> batch;
  batch.swap(posted_);
  for (auto& fn : batch) fn();
  timers_.FireDue(NowMs());
}

void FakeEventLoop::WaitForInput(unsigned ms) {
  if (!posted_.empty()) return;
  long long next = timers_.MsUntilNextDue(NowMs());
  long long step = (next < 0 || next > ms) ? ms : next;
  clock_.AdvanceMs(step);
}

void FakeEventLoop::WatchSocket(SocketHandle, unsigned, SocketHandler) {
  throw std::logic_error("FakeEventLoop has no sockets; use the platform loop for network tests");
}

void FakeEventLoop::AdvanceMs(long long ms) {
  const long long end = NowMs() + ms;
  for (;;) {
    ProcessMessages();
    long long left = end - NowMs();
    if (left <= 0) break;
    long long next = timers_.MsUntilNextDue(NowMs());
    clock_.AdvanceMs(next < 0 || next > left ? left : (next == 0 ? 0 : next));
    if (next == 0) ProcessMessages();
  }
}

}  // namespace ombrix

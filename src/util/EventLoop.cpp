#include "util/EventLoop.h"

#include <cmath>

namespace ombrix {

EventLoop::LookupId EventLoop::LookupHost(const std::string&, LookupHandler onDone) {
  Post([onDone = std::move(onDone)] { onDone(11001, 0); });
  return 0;
}

void EventLoop::CancelLookup(LookupId) {}

void EventLoop::Run() {
  quit_ = false;
  while (!quit_) {
    WaitForInput(1000);
    ProcessMessages();
  }
}

Timer::Timer(EventLoop& loop, unsigned intervalMs, bool enabled, std::function<void()> onTimer)
    : loop_(loop), interval_(intervalMs), enabled_(enabled), onTimer_(std::move(onTimer)) {
  id_ = loop_.CreateTimer([this] {
    if (onTimer_) onTimer_();
  });
  Apply();
}

Timer::~Timer() { loop_.DestroyTimer(id_); }

void Timer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Apply();
}

void Timer::SetInterval(unsigned intervalMs) {
  if (intervalMs == interval_) return;
  interval_ = intervalMs;
  Apply();
}

// A zero interval never fires, as with window timers.
void Timer::Apply() { loop_.ConfigureTimer(id_, interval_, enabled_ && interval_ > 0); }

void PumpDelay(EventLoop& loop, double seconds) {
  // Rounded, not cut: 0.3 s is 299.99.. ms as a double.
  const long long end = loop.NowMs() + std::llround(seconds * 1000.0);
  // Waiting for input instead of spinning: the wait ends at every event, so
  // the loop serves them as promptly as a busy wait would, without the CPU.
  for (;;) {
    loop.ProcessMessages();
    long long left = end - loop.NowMs();
    if (left <= 0) break;
    loop.WaitForInput(static_cast<unsigned>(left < 50 ? left : 50));
  }
}

}  // namespace ombrix

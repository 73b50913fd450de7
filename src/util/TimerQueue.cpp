#include "util/TimerQueue.h"

#include <algorithm>
#include <vector>

namespace ombrix {

int TimerQueue::Create(std::function<void()> onTick) {
  int id = nextId_++;
  timers_[id].onTick = std::make_shared<std::function<void()>>(std::move(onTick));
  return id;
}

void TimerQueue::Configure(int id, unsigned intervalMs, bool enabled, long long nowMs) {
  auto it = timers_.find(id);
  if (it == timers_.end()) return;
  it->second.interval = intervalMs;
  it->second.enabled = enabled && intervalMs > 0;
  it->second.due = nowMs + intervalMs;
}

void TimerQueue::Destroy(int id) { timers_.erase(id); }

long long TimerQueue::MsUntilNextDue(long long nowMs) const {
  long long best = -1;
  for (const auto& [id, t] : timers_) {
    if (!t.enabled) continue;
    long long wait = std::max(0LL, t.due - nowMs);
    if (best < 0 || wait < best) best = wait;
  }
  return best;
}

void TimerQueue::FireDue(long long nowMs) {
  std::vector<std::pair<long long, int>> due;
  for (const auto& [id, t] : timers_)
    if (t.enabled && t.due <= nowMs) due.emplace_back(t.due, id);
  std::sort(due.begin(), due.end());
  for (const auto& [when, id] : due) {
    auto it = timers_.find(id);
    if (it == timers_.end() || !it->second.enabled || it->second.due > nowMs) continue;
    // The next tick counts from now, as window timers do; a handler that
    // runs long does not get a burst of catch-up ticks.
    it->second.due = nowMs + it->second.interval;
    auto handler = it->second.onTick;  // survives the timer's destruction
    (*handler)();
  }
}

}  // namespace ombrix

// Timer bookkeeping shared by the loops that keep their own timers (the
// POSIX poll loop and the fake-clock loop used by tests).
#pragma once
#include <functional>
#include <map>
#include <memory>

namespace ombrix {

class TimerQueue {
 public:
  int Create(std::function<void()> onTick);
  void Configure(int id, unsigned intervalMs, bool enabled, long long nowMs);
  void Destroy(int id);
  // Milliseconds until the earliest enabled timer is due (0 if overdue), or
  // -1 when no timer is enabled.
  long long MsUntilNextDue(long long nowMs) const;
  // Fires each timer due at nowMs once, in due order; handlers may change or
  // destroy timers, including themselves.
  void FireDue(long long nowMs);

 private:
  struct Entry {
    std::shared_ptr<std::function<void()>> onTick;
    unsigned interval = 0;
    bool enabled = false;
    long long due = 0;
  };
  std::map<int, Entry> timers_;
  int nextId_ = 1;
};

}  // namespace ombrix

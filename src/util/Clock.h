// The clock seam: UTC and local now as day counts, and the zone offset.
// Tests install a FakeClock so a day of scheduler ticks runs in milliseconds.
#pragma once
#include "util/DateTime.h"

namespace ombrix {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual TDateTime UtcNow() = 0;    // to the millisecond
  virtual TDateTime LocalNow() = 0;  // to the millisecond
  // Local minus UTC, in days, exactly (half-hour zones stay half hours).
  virtual double ZoneOffsetDays() { return LocalNow() - UtcNow(); }
  // A steady millisecond counter for time-outs and timer heaps.
  virtual long long MonotonicMs() = 0;
};

// The clock in force: the system clock unless a test installed another.
Clock& TheClock();
Clock& SystemClock();

inline TDateTime UtcNow() { return TheClock().UtcNow(); }
inline TDateTime LocalNow() { return TheClock().LocalNow(); }

class ScopedClock {
 public:
  explicit ScopedClock(Clock& clock);
  ~ScopedClock();
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;

 private:
  Clock* saved_;
};

// A clock that moves only when told to. Its local time is UTC plus a fixed
// offset; the monotonic counter moves with it.
class FakeClock : public Clock {
 public:
  explicit FakeClock(TDateTime utc = 45000.5, double offsetDays = 0) : utcBase_(utc), offset_(offsetDays) {}
  // Computed from the base each time, so a day of small steps does not
  // gather rounding errors.
  TDateTime UtcNow() override { return utcBase_ + static_cast<double>(ms_ - msAtBase_) / kMsPerDay; }
  TDateTime LocalNow() override { return UtcNow() + offset_; }
  double ZoneOffsetDays() override { return offset_; }
  long long MonotonicMs() override { return ms_; }
  void AdvanceMs(long long ms) { ms_ += ms; }
  void SetUtc(TDateTime utc) {
    utcBase_ = utc;
    msAtBase_ = ms_;
  }
  void SetOffsetDays(double offset) { offset_ = offset; }

 private:
  TDateTime utcBase_;
  double offset_;
  long long ms_ = 0;
  long long msAtBase_ = 0;
};

}  // namespace ombrix

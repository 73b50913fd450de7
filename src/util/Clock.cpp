#include "util/Clock.h"

namespace ombrix {

static Clock*& Slot() {
  static Clock* clock = &SystemClock();
  return clock;
}

Clock& TheClock() { return *Slot(); }

ScopedClock::ScopedClock(Clock& clock) : saved_(Slot()) { Slot() = &clock; }

ScopedClock::~ScopedClock() { Slot() = saved_; }

}  // namespace ombrix

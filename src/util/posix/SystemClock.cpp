#include <sys/time.h>
#include <time.h>

#include "util/Clock.h"

namespace ombrix {

namespace {

TDateTime FromTm(const struct tm& t, long ms) {
  DateTimeParts p{t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec > 59 ? 59 : t.tm_sec,
                  static_cast<int>(ms)};
  return EncodeDateTime(p);
}

class PosixClock : public Clock {
 public:
  TDateTime UtcNow() override {
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    struct tm t;
    gmtime_r(&ts.tv_sec, &t);
    return FromTm(t, ts.tv_nsec / 1000000);
  }
  TDateTime LocalNow() override {
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    struct tm t;
    localtime_r(&ts.tv_sec, &t);
    return FromTm(t, ts.tv_nsec / 1000000);
  }
  double ZoneOffsetDays() override {
    time_t now = time(nullptr);
    struct tm t;
    localtime_r(&now, &t);
    return static_cast<double>(t.tm_gmtoff) / kSecondsPerDay;
  }
  long long MonotonicMs() override {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
  }
};

}  // namespace

Clock& SystemClock() {
  static PosixClock clock;
  return clock;
}

}  // namespace ombrix

#include <windows.h>

#include "util/Clock.h"

namespace ombrix {

namespace {

TDateTime FromSystemTime(const SYSTEMTIME& st) {
  DateTimeParts p{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
  return EncodeDateTime(p);
}

class Win32Clock : public Clock {
 public:
  TDateTime UtcNow() override {
    SYSTEMTIME st;
    GetSystemTime(&st);
    return FromSystemTime(st);
  }
  TDateTime LocalNow() override {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return FromSystemTime(st);
  }
  double ZoneOffsetDays() override {
    // Bias is UTC minus local in minutes, daylight saving included.
    TIME_ZONE_INFORMATION tz;
    DWORD mode = GetTimeZoneInformation(&tz);
    LONG bias = tz.Bias;
    if (mode == TIME_ZONE_ID_DAYLIGHT) bias += tz.DaylightBias;
    else if (mode == TIME_ZONE_ID_STANDARD) bias += tz.StandardBias;
    return -static_cast<double>(bias) / 1440.0;
  }
  long long MonotonicMs() override {
    LARGE_INTEGER freq, count;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&count);
    return static_cast<long long>(count.QuadPart / (freq.QuadPart / 1000));
  }
};

}  // namespace

Clock& SystemClock() {
  static Win32Clock clock;
  return clock;
}

}  // namespace ombrix

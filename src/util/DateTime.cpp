#include "util/DateTime.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <stdexcept>

#include "util/Locale.h"

namespace ombrix {

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

// Days from 0001-01-01 to the given date (proleptic Gregorian), 0-based.
static long long DayNumber(int year, int month, int day) {
  long long y = year - 1;
  long long n = y * 365 + y / 4 - y / 100 + y / 400;
  for (int m = 1; m < month; ++m) n += DaysInMonth(year, m);
  return n + day - 1;
}

static const long long kEpochDayNumber = DayNumber(1899, 12, 30);

bool TryEncodeDateTime(const DateTimeParts& p, TDateTime& value) {
  if (p.year < 1 || p.year > 9999 || p.month < 1 || p.month > 12) return false;
  if (p.day < 1 || p.day > DaysInMonth(p.year, p.month)) return false;
  if (p.hour < 0 || p.hour > 23 || p.minute < 0 || p.minute > 59 || p.second < 0 || p.second > 59 ||
      p.millisecond < 0 || p.millisecond > 999)
    return false;
  double days = static_cast<double>(DayNumber(p.year, p.month, p.day) - kEpochDayNumber);
  double frac = (((p.hour * 60.0 + p.minute) * 60.0 + p.second) * 1000.0 + p.millisecond) / kMsPerDay;
  // Days before the epoch keep their time as a positive fraction after the
  // negative whole day, the way the day count has always been written.
  value = days >= 0 ? days + frac : days - frac;
  return true;
}

TDateTime EncodeDateTime(const DateTimeParts& parts) {
  TDateTime v;
  if (!TryEncodeDateTime(parts, v)) throw std::invalid_argument("invalid date or time");
  return v;
}

DateTimeParts DecodeDateTime(TDateTime value) {
  double whole = std::trunc(value);
  double frac = std::fabs(value - whole);
  long long ms = std::llround(frac * kMsPerDay);
  long long day = static_cast<long long>(whole);
  if (ms >= static_cast<long long>(kMsPerDay)) {
    // Midnight of the following day, on either side of the epoch (the
    // fraction always runs forward in time).
    ms -= static_cast<long long>(kMsPerDay);
    day += 1;
  }
  long long n = day + kEpochDayNumber;  // days since 0001-01-01
  DateTimeParts p;
  int year = static_cast<int>(n / 365.2425) + 1;
  if (year < 1) year = 1;
  while (year > 1 && DayNumber(year, 1, 1) > n) --year;
  while (DayNumber(year + 1, 1, 1) <= n) ++year;
  long long rest = n - DayNumber(year, 1, 1);
  int month = 1;
  while (month < 12 && rest >= DaysInMonth(year, month)) rest -= DaysInMonth(year, month++);
  p.year = year;
  p.month = month;
  p.day = static_cast<int>(rest) + 1;
  p.hour = static_cast<int>(ms / 3600000);
  p.minute = static_cast<int>(ms / 60000 % 60);
  p.second = static_cast<int>(ms / 1000 % 60);
  p.millisecond = static_cast<int>(ms % 1000);
  return p;
}

std::string FormatDateTime(DateTimePattern pattern, TDateTime value) {
  const LocaleSeparators& loc = CurrentLocale();
  DateTimeParts p = DecodeDateTime(value);
  char buf[64];
  switch (pattern) {
    case DateTimePattern::Time:
      std::snprintf(buf, sizeof buf, "%02d%c%02d%c%02d", p.hour, loc.time, p.minute, loc.time, p.second);
      break;
    case DateTimePattern::HourMinute:
      std::snprintf(buf, sizeof buf, "%02d%c%02d", p.hour, loc.time, p.minute);
      break;
    case DateTimePattern::MonthDayHourMinute:
      std::snprintf(buf, sizeof buf, "%02d%c%02d %02d%c%02d", p.month, loc.date, p.day, p.hour, loc.time, p.minute);
      break;
    case DateTimePattern::DateHourMinute:
      std::snprintf(buf, sizeof buf, "%02d%c%02d%c%04d %02d%c%02d", p.month, loc.date, p.day, loc.date, p.year,
                    p.hour, loc.time, p.minute);
      break;
    case DateTimePattern::DateTimeSeconds:
      std::snprintf(buf, sizeof buf, "%02d%c%02d%c%04d %02d%c%02d%c%02d", p.month, loc.date, p.day, loc.date, p.year,
                    p.hour, loc.time, p.minute, loc.time, p.second);
      break;
  }
  return buf;
}

namespace {

// Reads exactly `width` digits at text[pos].
bool ReadDigits(std::string_view text, size_t& pos, int width, int& out) {
  if (pos + width > text.size()) return false;
  int v = 0;
  for (int i = 0; i < width; ++i) {
    char c = text[pos + i];
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  pos += width;
  out = v;
  return true;
}

bool Expect(std::string_view text, size_t& pos, char c) {
  if (pos >= text.size() || text[pos] != c) return false;
  ++pos;
  return true;
}

}  // namespace

std::optional<TDateTime> ParseDateTime(DateTimePattern pattern, std::string_view text, int yearHint) {
  const LocaleSeparators& loc = CurrentLocale();
  DateTimeParts p;
  size_t pos = 0;
  bool ok = true;
  switch (pattern) {
    case DateTimePattern::Time:
      ok = ReadDigits(text, pos, 2, p.hour) && Expect(text, pos, loc.time) && ReadDigits(text, pos, 2, p.minute) &&
           Expect(text, pos, loc.time) && ReadDigits(text, pos, 2, p.second);
      break;
    case DateTimePattern::HourMinute:
      ok = ReadDigits(text, pos, 2, p.hour) && Expect(text, pos, loc.time) && ReadDigits(text, pos, 2, p.minute);
      break;
    case DateTimePattern::MonthDayHourMinute:
      p.year = yearHint;
      ok = ReadDigits(text, pos, 2, p.month) && Expect(text, pos, loc.date) && ReadDigits(text, pos, 2, p.day) &&
           Expect(text, pos, ' ') && ReadDigits(text, pos, 2, p.hour) && Expect(text, pos, loc.time) &&
           ReadDigits(text, pos, 2, p.minute);
      break;
    case DateTimePattern::DateHourMinute:
    case DateTimePattern::DateTimeSeconds:
      ok = ReadDigits(text, pos, 2, p.month) && Expect(text, pos, loc.date) && ReadDigits(text, pos, 2, p.day) &&
           Expect(text, pos, loc.date) && ReadDigits(text, pos, 4, p.year) && Expect(text, pos, ' ') &&
           ReadDigits(text, pos, 2, p.hour) && Expect(text, pos, loc.time) && ReadDigits(text, pos, 2, p.minute);
      if (ok && pattern == DateTimePattern::DateTimeSeconds)
        ok = Expect(text, pos, loc.time) && ReadDigits(text, pos, 2, p.second);
      break;
  }
  if (!ok || pos != text.size()) return std::nullopt;
  TDateTime value;
  if (pattern == DateTimePattern::Time || pattern == DateTimePattern::HourMinute) {
    if (p.hour > 23 || p.minute > 59 || p.second > 59) return std::nullopt;
    return (p.hour * 3600.0 + p.minute * 60.0 + p.second) / kSecondsPerDay;
  }
  if (!TryEncodeDateTime(p, value)) return std::nullopt;
  return value;
}

std::string FormatYyyymmdd(TDateTime value) {
  DateTimeParts p = DecodeDateTime(value);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d", p.year, p.month, p.day);
  return buf;
}

std::string FormatFloatGeneral(double value, int digits) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (value == 0) return "0";
  // Round to the significant digits first, then choose the notation: fixed
  // for magnitudes from 1E-5 up to the digit count, scientific otherwise.
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*e", digits - 1, value);
  std::string s(buf);
  size_t e = s.find('e');
  int exponent = std::atoi(s.c_str() + e + 1);
  std::string mantissa = s.substr(0, e);
  bool negative = mantissa[0] == '-';
  if (negative) mantissa.erase(0, 1);
  std::string figures;
  for (char c : mantissa)
    if (c != '.') figures += c;
  while (figures.size() > 1 && figures.back() == '0') figures.pop_back();
  const char dec = CurrentLocale().decimal;
  std::string out;
  if (exponent >= -5 && exponent < digits) {
    if (exponent < 0) {
      out = "0";
      out += dec;
      out.append(static_cast<size_t>(-exponent - 1), '0');
      out += figures;
    } else {
      size_t intLen = static_cast<size_t>(exponent) + 1;
      if (figures.size() <= intLen) {
        out = figures + std::string(intLen - figures.size(), '0');
      } else {
        out = figures.substr(0, intLen) + dec + figures.substr(intLen);
      }
    }
  } else {
    out = figures.substr(0, 1);
    if (figures.size() > 1) out += dec + figures.substr(1);
    out += 'E';
    if (exponent < 0) out += '-';
    out += std::to_string(std::abs(exponent));
  }
  return negative ? "-" + out : out;
}

std::optional<double> ParseFloat(std::string_view raw) {
  const char dec = CurrentLocale().decimal;
  std::string text;
  size_t b = 0, e = raw.size();
  while (b < e && static_cast<unsigned char>(raw[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(raw[e - 1]) <= ' ') --e;
  if (b == e) return std::nullopt;
  for (size_t i = b; i < e; ++i) {
    char c = raw[i];
    if (c == dec) text += '.';
    else if ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == 'e' || c == 'E') text += c;
    else return std::nullopt;  // includes a '.' that is not the locale's separator
  }
  char* end = nullptr;
  double v = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size()) return std::nullopt;
  return v;
}

bool FitsSingle(double value) {
  return std::isfinite(value) && std::fabs(value) <= std::numeric_limits<float>::max();
}

std::optional<float> ParseSingle(std::string_view text) {
  std::optional<double> v = ParseFloat(text);
  if (!v || !FitsSingle(*v)) return std::nullopt;
  return static_cast<float>(*v);
}

}  // namespace ombrix

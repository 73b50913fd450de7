// Date-times as a real number of days since 30 December 1899 (whole days plus
// the fraction of the day), the form every record, list file and log uses.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace ombrix {

using TDateTime = double;

constexpr double kMsPerDay = 86400000.0;
constexpr double kSecondsPerDay = 86400.0;

struct DateTimeParts {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

// False when a part is out of range (month 1..12, day of that month, ...).
bool TryEncodeDateTime(const DateTimeParts& parts, TDateTime& value);
TDateTime EncodeDateTime(const DateTimeParts& parts);  // throws std::invalid_argument
DateTimeParts DecodeDateTime(TDateTime value);       // rounded to the millisecond
bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// The four patterns of the program, with the locale's separators in place of
// "/" and ":". Parsing is exact: the text must have the pattern's shape.
enum class DateTimePattern {
  Time,                   // hh:nn:ss
  HourMinute,             // hh:nn
  MonthDayHourMinute,     // mm/dd hh:nn
  DateHourMinute,         // mm/dd/yyyy hh:nn
  DateTimeSeconds,        // mm/dd/yyyy hh:nn:ss
};

std::string FormatDateTime(DateTimePattern pattern, TDateTime value);
// For MonthDayHourMinute the year is taken from yearHint (the pattern has none).
std::optional<TDateTime> ParseDateTime(DateTimePattern pattern, std::string_view text, int yearHint = 1899);

// yyyymmdd, as the daily log file names use it.
std::string FormatYyyymmdd(TDateTime value);

// Numbers in the locale's decimal separator.
std::string FormatFloatGeneral(double value, int significantDigits = 15);
std::optional<double> ParseFloat(std::string_view text);
// The same for the program's 32-bit values: a number outside a finite
// 32-bit float ("1e39") does not parse, so it can never reach a bounds text.
std::optional<float> ParseSingle(std::string_view text);
// True when a 32-bit float holds the value as a finite number.
bool FitsSingle(double value);

}  // namespace ombrix

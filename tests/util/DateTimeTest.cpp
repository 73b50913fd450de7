#include <gtest/gtest.h>

#include "util/Clock.h"
#include "util/DateTime.h"
#include "util/Locale.h"

using namespace ombrix;

namespace {

TDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  return EncodeDateTime(DateTimeParts{y, mo, d, h, mi, s, ms});
}

void ExpectParts(TDateTime v, int y, int mo, int d, int h, int mi, int s, int ms = 0) {
  DateTimeParts p = DecodeDateTime(v);
  EXPECT_EQ(p.year, y) << v;
  EXPECT_EQ(p.month, mo) << v;
  EXPECT_EQ(p.day, d) << v;
  EXPECT_EQ(p.hour, h) << v;
  EXPECT_EQ(p.minute, mi) << v;
  EXPECT_EQ(p.second, s) << v;
  EXPECT_EQ(p.millisecond, ms) << v;
}

}  // namespace

TEST(DateTime, DayCountMatchesKnownDates) {
  EXPECT_EQ(At(1899, 12, 30), 0.0);
  EXPECT_EQ(At(1900, 1, 1), 2.0);
  EXPECT_EQ(At(1900, 3, 1), 61.0);  // 1900 was no leap year
  EXPECT_EQ(At(1970, 1, 1), 25569.0);
  EXPECT_EQ(At(2000, 1, 1), 36526.0);
  EXPECT_EQ(At(2024, 2, 29, 12), 45351.5);
  EXPECT_EQ(At(2024, 3, 1, 18), 45352.75);
  EXPECT_EQ(At(9999, 12, 31), 2958465.0);
  EXPECT_EQ(At(1, 1, 1), -693593.0);
  // Before the epoch the time is a positive fraction after the negative day.
  EXPECT_EQ(At(1899, 12, 29, 6), -1.25);
  ExpectParts(-1.25, 1899, 12, 29, 6, 0, 0);
  ExpectParts(45351.5, 2024, 2, 29, 12, 0, 0);
  ExpectParts(At(2026, 12, 31, 23, 59, 59, 999), 2026, 12, 31, 23, 59, 59, 999);
}

TEST(DateTime, RoundingToTheMillisecondCarriesIntoTheNextDay) {
  // Half a millisecond before midnight rounds to midnight of the next day,
  // on both sides of the epoch.
  const double halfMs = 0.4 / kMsPerDay;
  ExpectParts(At(2024, 2, 29) + 1 - halfMs, 2024, 3, 1, 0, 0, 0);
  ExpectParts(-2 + halfMs, 1899, 12, 30, 0, 0, 0);  // 29 Dec 23:59:59.9996
  ExpectParts(-1 + halfMs, 1899, 12, 31, 0, 0, 0);  // 30 Dec 23:59:59.9996
}

TEST(DateTime, RejectsImpossibleDates) {
  TDateTime v;
  EXPECT_FALSE(TryEncodeDateTime({2023, 2, 29, 0, 0, 0, 0}, v));
  EXPECT_TRUE(TryEncodeDateTime({2000, 2, 29, 0, 0, 0, 0}, v));
  EXPECT_FALSE(TryEncodeDateTime({1900, 2, 29, 0, 0, 0, 0}, v));
  EXPECT_FALSE(TryEncodeDateTime({2024, 13, 1, 0, 0, 0, 0}, v));
  EXPECT_FALSE(TryEncodeDateTime({2024, 4, 31, 0, 0, 0, 0}, v));
  EXPECT_FALSE(TryEncodeDateTime({2024, 1, 1, 24, 0, 0, 0}, v));
  EXPECT_FALSE(TryEncodeDateTime({2024, 1, 1, 0, 60, 0, 0}, v));
  EXPECT_FALSE(TryEncodeDateTime({2024, 1, 1, 0, 0, 0, 1000}, v));
  EXPECT_THROW(EncodeDateTime({2024, 0, 1, 0, 0, 0, 0}), std::invalid_argument);
}

TEST(DateTime, PatternsWithTheLocaleSeparators) {
  const TDateTime t = At(2026, 3, 7, 9, 5, 4);
  {
    ScopedLocale us({'/', ':', '.'});
    EXPECT_EQ(FormatDateTime(DateTimePattern::Time, t), "09:05:04");
    EXPECT_EQ(FormatDateTime(DateTimePattern::HourMinute, t), "09:05");
    EXPECT_EQ(FormatDateTime(DateTimePattern::MonthDayHourMinute, t), "03/07 09:05");
    EXPECT_EQ(FormatDateTime(DateTimePattern::DateHourMinute, t), "03/07/2026 09:05");
    EXPECT_EQ(FormatDateTime(DateTimePattern::DateTimeSeconds, t), "03/07/2026 09:05:04");
    EXPECT_EQ(FormatYyyymmdd(t), "20260307");
  }
  ScopedLocale other({'.', '-', ','});
  EXPECT_EQ(FormatDateTime(DateTimePattern::Time, t), "09-05-04");
  EXPECT_EQ(FormatDateTime(DateTimePattern::MonthDayHourMinute, t), "03.07 09-05");
  EXPECT_EQ(FormatDateTime(DateTimePattern::DateHourMinute, t), "03.07.2026 09-05");
  EXPECT_EQ(FormatDateTime(DateTimePattern::DateTimeSeconds, t), "03.07.2026 09-05-04");

  EXPECT_EQ(ParseDateTime(DateTimePattern::DateTimeSeconds, "03.07.2026 09-05-04"), t);
  EXPECT_EQ(ParseDateTime(DateTimePattern::DateHourMinute, "03.07.2026 09-05"), At(2026, 3, 7, 9, 5));
  EXPECT_EQ(ParseDateTime(DateTimePattern::MonthDayHourMinute, "03.07 09-05", 2026), At(2026, 3, 7, 9, 5));
  EXPECT_EQ(ParseDateTime(DateTimePattern::Time, "09-05-04"), (9 * 3600 + 5 * 60 + 4) / kSecondsPerDay);
  // The US separators are wrong shapes under this locale.
  EXPECT_EQ(ParseDateTime(DateTimePattern::DateTimeSeconds, "03/07/2026 09:05:04"), std::nullopt);
}

TEST(DateTime, ExactParsingRejectsOtherShapes) {
  ScopedLocale us({'/', ':', '.'});
  using P = DateTimePattern;
  EXPECT_TRUE(ParseDateTime(P::DateTimeSeconds, "12/31/2025 23:59:59").has_value());
  for (const char* bad : {"", "12/31/2025 23:59", "12/31/2025 23:59:59 ", " 12/31/2025 23:59:59", "12/31/25 23:59:59",
                          "1/31/2025 23:59:59", "12-31-2025 23:59:59", "12/31/2025T23:59:59", "13/01/2025 00:00:00",
                          "02/29/2025 00:00:00", "12/31/2025 24:00:00", "12/31/2025 23:60:00", "12/31/2025 23:59:5x",
                          "31/12/2025 23:59:59", "+2/31/2025 23:59:59"})
    EXPECT_EQ(ParseDateTime(P::DateTimeSeconds, bad), std::nullopt) << bad;
  EXPECT_EQ(ParseDateTime(P::DateHourMinute, "12/31/2025 23:59:59"), std::nullopt);
  EXPECT_EQ(ParseDateTime(P::Time, "9:05:04"), std::nullopt);
  EXPECT_EQ(ParseDateTime(P::Time, "24:00:00"), std::nullopt);
  EXPECT_EQ(ParseDateTime(P::MonthDayHourMinute, "02/29 10:00", 2023), std::nullopt);
  EXPECT_EQ(ParseDateTime(P::MonthDayHourMinute, "02/29 10:00", 2024), At(2024, 2, 29, 10));
}

TEST(FormatFloatGeneral, FifteenSignificantDigitsOfSingleValues) {
  ScopedLocale us({'/', ':', '.'});
  EXPECT_EQ(FormatFloatGeneral(static_cast<double>(0.01f)), "0.00999999977648258");
  EXPECT_EQ(FormatFloatGeneral(static_cast<double>(-92.5874862670898f)), "-92.5874862670898");
  EXPECT_EQ(FormatFloatGeneral(static_cast<double>(44.409984588623f)), "44.409984588623");
  EXPECT_EQ(FormatFloatGeneral(static_cast<double>(-85.516487121582f)), "-85.516487121582");
  EXPECT_EQ(FormatFloatGeneral(static_cast<double>(38.9264831542969f)), "38.9264831542969");
  EXPECT_EQ(FormatFloatGeneral(0.0), "0");
  EXPECT_EQ(FormatFloatGeneral(-0.0), "0");
  EXPECT_EQ(FormatFloatGeneral(100.0), "100");
  EXPECT_EQ(FormatFloatGeneral(0.5), "0.5");
  EXPECT_EQ(FormatFloatGeneral(-1.25), "-1.25");
  EXPECT_EQ(FormatFloatGeneral(1.0 / 3.0), "0.333333333333333");
  EXPECT_EQ(FormatFloatGeneral(2.0 / 3.0), "0.666666666666667");
  EXPECT_EQ(FormatFloatGeneral(123456789012345.0), "123456789012345");
  EXPECT_EQ(FormatFloatGeneral(1e15), "1E15");
  EXPECT_EQ(FormatFloatGeneral(1234567890123456.0), "1.23456789012346E15");
}

TEST(FormatFloatGeneral, ScientificBelowOneHundredThousandth) {
  ScopedLocale us({'/', ':', '.'});
  EXPECT_EQ(FormatFloatGeneral(1e-5), "0.00001");
  EXPECT_EQ(FormatFloatGeneral(-1.5e-5), "-0.000015");
  EXPECT_EQ(FormatFloatGeneral(9.99e-6), "9.99E-6");
  EXPECT_EQ(FormatFloatGeneral(1e-6), "1E-6");
  EXPECT_EQ(FormatFloatGeneral(-2.5e-10), "-2.5E-10");
  // Rounded to 15 digits this is 1E-5, so it takes the fixed form.
  EXPECT_EQ(FormatFloatGeneral(0.0000099999999999999999), "0.00001");
}

TEST(FormatFloatGeneral, UsesAndReadsTheLocaleDecimalSeparator) {
  ScopedLocale comma({'.', ':', ','});
  EXPECT_EQ(FormatFloatGeneral(-92.5), "-92,5");
  EXPECT_EQ(FormatFloatGeneral(2.5e-7), "2,5E-7");
  EXPECT_EQ(ParseFloat(" -92,5 "), -92.5);
  EXPECT_EQ(ParseFloat("2,5E-7"), 2.5e-7);
  EXPECT_EQ(ParseFloat("-92.5"), std::nullopt);
  EXPECT_EQ(ParseFloat(""), std::nullopt);
  EXPECT_EQ(ParseFloat("1,5x"), std::nullopt);
  EXPECT_EQ(ParseFloat("nan"), std::nullopt);
  ScopedLocale dot({'/', ':', '.'});
  EXPECT_EQ(ParseFloat("0.00999999977648258"), 0.00999999977648258);
  EXPECT_EQ(ParseFloat("1,5"), std::nullopt);
  // What we write reads back to the same value.
  for (double v : {static_cast<double>(-92.5874862670898f), 1e-6, 123456.789, -0.001})
    EXPECT_EQ(static_cast<float>(*ParseFloat(FormatFloatGeneral(v))), static_cast<float>(v)) << v;
}

TEST(Clock, FakeClockMovesOnlyWhenTold) {
  FakeClock fake(At(2026, 1, 1, 12), 5.5 / 24);
  ScopedClock use(fake);
  EXPECT_EQ(UtcNow(), At(2026, 1, 1, 12));
  EXPECT_DOUBLE_EQ(LocalNow(), At(2026, 1, 1, 17, 30));
  EXPECT_DOUBLE_EQ(TheClock().ZoneOffsetDays(), 5.5 / 24);
  fake.AdvanceMs(90 * 1000);
  EXPECT_EQ(fake.MonotonicMs(), 90000);
  ExpectParts(UtcNow(), 2026, 1, 1, 12, 1, 30);
}

TEST(Clock, SystemClockIsNearTheFakeFreeNow) {
  Clock& sys = SystemClock();
  double offset = sys.LocalNow() - sys.UtcNow();
  EXPECT_NEAR(offset, sys.ZoneOffsetDays(), 1.0 / 1440);  // within a minute
  EXPECT_GT(sys.UtcNow(), At(2020, 1, 1));
  long long a = sys.MonotonicMs();
  EXPECT_GE(sys.MonotonicMs(), a);
}

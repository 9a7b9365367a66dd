#include "core/local_time.h"

#include <array>
#include <cstddef>

namespace velmar {

namespace {

constexpr int64_t kDayMs = 86'400'000;

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

bool InRange(int value, int low, int high) { return value >= low && value <= high; }

// Days since 1970-01-01 of a proleptic Gregorian date, and back (Howard Hinnant's algorithm).
int64_t DaysFromCivil(int64_t year, int month, int day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(int64_t days, LocalDateTime& out) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t dayOfEra = days - era * 146097;
  const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  out.day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  out.month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  out.year = static_cast<int>(yearOfEra + era * 400 + (out.month <= 2));
}

}  // namespace

int DaysInMonth(int year, int month) {
  constexpr std::array<int, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (!InRange(month, 1, 12)) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[static_cast<size_t>(month - 1)];
}

bool IsValidDateTime(const LocalDateTime& time) {
  return time.year >= 0 && InRange(time.month, 1, 12) && InRange(time.day, 1, DaysInMonth(time.year, time.month)) &&
         InRange(time.hour, 0, 23) && InRange(time.minute, 0, 59) && InRange(time.second, 0, 60) &&
         InRange(time.millisecond, 0, 999);
}

int Weekday(const LocalDateTime& time) {
  // 1970-01-01 was a Thursday.
  const int64_t days = DaysFromCivil(time.year, time.month, time.day);
  return static_cast<int>(((days % 7) + 7 + 4) % 7);
}

int64_t ClockMilliseconds(const LocalDateTime& time) {
  return DaysFromCivil(time.year, time.month, time.day) * kDayMs +
         ((time.hour * 60 + time.minute) * 60 + time.second) * int64_t{1000} + time.millisecond;
}

LocalDateTime FromClockMilliseconds(int64_t ms) {
  int64_t days = ms / kDayMs;
  int64_t withinDay = ms % kDayMs;
  if (withinDay < 0) {
    withinDay += kDayMs;
    --days;
  }
  LocalDateTime result;
  CivilFromDays(days, result);
  result.hour = static_cast<int>(withinDay / 3'600'000);
  result.minute = static_cast<int>(withinDay / 60'000 % 60);
  result.second = static_cast<int>(withinDay / 1000 % 60);
  result.millisecond = static_cast<int>(withinDay % 1000);
  return result;
}

LocalDateTime AddMilliseconds(const LocalDateTime& time, int64_t ms) {
  return FromClockMilliseconds(ClockMilliseconds(time) + ms);
}

bool SameDay(const LocalDateTime& a, const LocalDateTime& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day;
}

}  // namespace velmar

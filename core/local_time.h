#pragma once
#include <cstdint>

namespace velmar {

// Local calendar time as a poll saw it, with the milliseconds the log file does not show.
struct LocalDateTime {
  int year = 0;
  int month = 0;  // 1-12
  int day = 0;    // 1-31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;

  bool operator==(const LocalDateTime&) const = default;
};

int DaysInMonth(int year, int month);
// Whether every field is in its range; second 60 is a leap second, which local clocks allow.
bool IsValidDateTime(const LocalDateTime& time);
// 0 = Sunday.
int Weekday(const LocalDateTime& time);
// The clock reading as milliseconds since 1970-01-01 00:00 of the same clock: differences of
// two readings are their distance as the clock showed it.
int64_t ClockMilliseconds(const LocalDateTime& time);
LocalDateTime FromClockMilliseconds(int64_t ms);
LocalDateTime AddMilliseconds(const LocalDateTime& time, int64_t ms);
bool SameDay(const LocalDateTime& a, const LocalDateTime& b);

}  // namespace velmar

#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/local_time.h"

namespace velmar {

enum class ElapsedStyle { Seconds, MinutesSeconds, HoursMinutesSeconds };

// Ticks on the elapsed-time axis at a round step (1, 2, 5 ... ms; 1, 2, 5, 10, 15, 30 s and
// min; 1, 2, 3, 6, 12 h; days), labelled in the style the visible times need.
struct TimeTicks {
  double stepMs = 0;
  ElapsedStyle style = ElapsedStyle::Seconds;
  int decimals = 0;  // of the seconds
  std::vector<double> ticksMs;
};

TimeTicks ChooseTimeTicks(double startMs, double endMs, int maxTicks);
// The shortest of those round steps not below `roughMs`.
double RoundTimeStep(double roughMs);
// Seconds up to a minute, then min:s, then h:min:s.
ElapsedStyle StyleFor(double startMs, double endMs);
// "12.5 s", "3:07", "1:02:03.4"; negative times get a leading minus.
std::wstring FormatElapsed(double ms, ElapsedStyle style, int decimals);

// "2026-12-07 09:30:15"
std::wstring FormatDateTime(const LocalDateTime& time);
// "09:30:15"
std::wstring FormatClock(const LocalDateTime& time);

}  // namespace velmar

#include "chart/time_labels.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace velmar {

namespace {

constexpr double kSecond = 1000;
constexpr double kMinute = 60 * kSecond;
constexpr double kHour = 60 * kMinute;
constexpr double kDay = 24 * kHour;

constexpr double kSteps[] = {1,           2,           5,           10,          20,
                             50,          100,         200,         500,         kSecond,
                             2 * kSecond, 5 * kSecond, 10 * kSecond, 15 * kSecond, 30 * kSecond,
                             kMinute,     2 * kMinute, 5 * kMinute, 10 * kMinute, 15 * kMinute,
                             30 * kMinute, kHour,      2 * kHour,   3 * kHour,   6 * kHour,
                             12 * kHour,  kDay};

std::wstring Widen(const char* text) { return std::wstring(text, text + std::char_traits<char>::length(text)); }

}  // namespace

double RoundTimeStep(double roughMs) {
  for (const double step : kSteps) {
    if (step >= roughMs) return step;
  }
  for (double days = 2;; days *= 10) {
    for (const double factor : {1.0, 2.5, 5.0}) {
      if (days * factor * kDay >= roughMs) return days * factor * kDay;
    }
  }
}

ElapsedStyle StyleFor(double startMs, double endMs) {
  const double largest = std::max(std::abs(startMs), std::abs(endMs));
  if (largest < kMinute) return ElapsedStyle::Seconds;
  if (largest < kHour) return ElapsedStyle::MinutesSeconds;
  return ElapsedStyle::HoursMinutesSeconds;
}

TimeTicks ChooseTimeTicks(double startMs, double endMs, int maxTicks) {
  TimeTicks ticks;
  ticks.style = StyleFor(startMs, endMs);
  if (!(endMs > startMs) || maxTicks < 1) return ticks;
  ticks.stepMs = RoundTimeStep((endMs - startMs) / maxTicks);
  ticks.decimals = ticks.stepMs >= kSecond ? 0 : ticks.stepMs >= 100 ? 1 : ticks.stepMs >= 10 ? 2 : 3;
  for (double index = std::ceil(startMs / ticks.stepMs); index * ticks.stepMs <= endMs; ++index) {
    ticks.ticksMs.push_back(index * ticks.stepMs);
  }
  return ticks;
}

std::wstring FormatElapsed(double ms, ElapsedStyle style, int decimals) {
  decimals = std::clamp(decimals, 0, 3);
  int64_t unitsPerSecond = 1;
  for (int i = 0; i < decimals; ++i) unitsPerSecond *= 10;
  const int64_t units = std::llround(std::abs(ms) / kSecond * static_cast<double>(unitsPerSecond));
  const int64_t totalSeconds = units / unitsPerSecond;
  const int64_t fraction = units % unitsPerSecond;
  char text[64];
  int length = 0;
  const char* sign = ms < 0 && units != 0 ? "-" : "";
  const long long hours = totalSeconds / 3600;
  const long long minutes = totalSeconds / 60 % 60;
  const long long seconds = totalSeconds % 60;
  switch (style) {
    case ElapsedStyle::Seconds:
      length = std::snprintf(text, sizeof text, "%s%lld", sign, static_cast<long long>(totalSeconds));
      break;
    case ElapsedStyle::MinutesSeconds:
      length = std::snprintf(text, sizeof text, "%s%lld:%02lld", sign, hours * 60 + minutes, seconds);
      break;
    case ElapsedStyle::HoursMinutesSeconds:
      length = std::snprintf(text, sizeof text, "%s%lld:%02lld:%02lld", sign, hours, minutes, seconds);
      break;
  }
  if (decimals > 0) {
    length += std::snprintf(text + length, sizeof text - static_cast<size_t>(length), ".%0*lld", decimals,
                            static_cast<long long>(fraction));
  }
  if (style == ElapsedStyle::Seconds) std::snprintf(text + length, sizeof text - static_cast<size_t>(length), " s");
  return Widen(text);
}

std::wstring FormatDateTime(const LocalDateTime& time) {
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", time.year, time.month, time.day, time.hour,
                time.minute, time.second);
  return Widen(text);
}

std::wstring FormatClock(const LocalDateTime& time) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", time.hour, time.minute, time.second);
  return Widen(text);
}

}  // namespace velmar

#include "logfile/log_format.h"

#include <algorithm>
#include <array>
#include <initializer_list>

namespace velmar {
namespace {

constexpr std::array<std::string_view, 7> kWeekdayNames{
    "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  constexpr std::array<int, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[static_cast<size_t>(month - 1)];
}

bool InRange(int value, int low, int high) { return value >= low && value <= high; }

bool IsValid(const CalendarTime& time) {
  // Second 60 is a leap second, which struct tm allows.
  return time.year >= 0 && InRange(time.month, 1, 12) && InRange(time.weekday, 0, 6) &&
         InRange(time.day, 1, DaysInMonth(time.year, time.month)) && InRange(time.hour, 0, 23) &&
         InRange(time.minute, 0, 59) && InRange(time.second, 0, 60);
}

// Left-pads with zeros to `width` digits; a wider value keeps all its digits.
void AppendPadded(std::string& out, int value, size_t width) {
  const std::string digits = std::to_string(value);
  if (digits.size() < width) out.append(width - digits.size(), '0');
  out += digits;
}

std::string Joined(std::initializer_list<std::string_view> parts) {
  std::string line;
  for (std::string_view part : parts) line += part;
  return line;
}

}  // namespace

std::string FormatLongDateTime(const CalendarTime& time) {
  if (!IsValid(time)) return {};
  std::string text;
  text += kWeekdayNames[static_cast<size_t>(time.weekday)];
  text += ", ";
  text += kMonthNames[static_cast<size_t>(time.month - 1)];
  text += ' ';
  AppendPadded(text, time.day, 2);
  text += ", ";
  AppendPadded(text, time.year, 4);
  text += ' ';
  AppendPadded(text, time.hour, 2);
  text += ':';
  AppendPadded(text, time.minute, 2);
  text += ':';
  AppendPadded(text, time.second, 2);
  return text;
}

std::string StartStampLine(std::string_view dateText) {
  return Joined({kStartStampPrefix, dateText, "\"\n"});
}

std::string QueryLine(std::string_view command) { return Joined({kQueryPrefix, command, "\"\n"}); }

std::string ColumnTitlesLine(std::string_view header) { return Joined({kColumnTitlesPrefix, header, "\n"}); }

std::string DataRowLine(int point, int elapsedMs, std::string_view reply) {
  return Joined({std::to_string(point), ",", std::to_string(elapsedMs), ",", reply, "\n"});
}

bool PendingRows::Push(std::string line) {
  if (lines_.size() >= kMaxRows || line.size() > kMaxBytes - bytes_) {
    ++dropped_;
    return false;
  }
  bytes_ += line.size();
  lines_.push_back(std::move(line));
  return true;
}

void PendingRows::PopFront(size_t count) {
  count = std::min(count, lines_.size());
  for (size_t i = 0; i < count; ++i) bytes_ -= lines_[i].size();
  lines_.erase(lines_.begin(), lines_.begin() + static_cast<std::ptrdiff_t>(count));
}

void PendingRows::Clear() {
  lines_.clear();
  bytes_ = 0;
  dropped_ = 0;
}

}  // namespace velmar

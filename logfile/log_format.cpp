#include "logfile/log_format.h"

#include <algorithm>
#include <array>
#include <initializer_list>

namespace velmar {
namespace {

constexpr std::array<std::string_view, 7> kWeekdayNames{
    "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

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

std::string FormatLongDateTime(const LocalDateTime& time) {
  if (!IsValidDateTime(time)) return {};
  std::string text;
  text += kWeekdayNames[static_cast<size_t>(Weekday(time))];
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

std::string DataRowLine(int point, int64_t elapsedMs, std::string_view reply) {
  return Joined({std::to_string(point), ",", std::to_string(elapsedMs), ",", reply, "\n"});
}

}  // namespace velmar

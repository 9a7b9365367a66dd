#include "chart/log_reader.h"

#include <charconv>

#include "logfile/log_format.h"

namespace velmar {

namespace {

// Reads `digits` decimal digits exactly.
bool ReadDigits(std::string_view& text, size_t digits, int& value) {
  if (text.size() < digits) return false;
  value = 0;
  for (size_t i = 0; i < digits; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  text.remove_prefix(digits);
  return true;
}

bool Skip(std::string_view& text, std::string_view expected) {
  if (!text.starts_with(expected)) return false;
  text.remove_prefix(expected.size());
  return true;
}

bool ReadInt(std::string_view& text, int& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{}) return false;
  text.remove_prefix(static_cast<size_t>(end - text.data()));
  return true;
}

// The text between the prefix's opening quote and the line's closing one.
std::string Quoted(std::string_view line, std::string_view prefix) {
  line.remove_prefix(prefix.size());
  if (!line.empty() && line.back() == '"') line.remove_suffix(1);
  return std::string(line);
}

}  // namespace

std::optional<LocalDateTime> ParseStartStamp(std::string_view text) {
  const size_t comma = text.find(", ");
  if (comma == std::string_view::npos) return std::nullopt;
  text.remove_prefix(comma + 2);
  LocalDateTime time;
  for (size_t month = 0; month < kMonthNames.size() && time.month == 0; ++month) {
    if (text.starts_with(kMonthNames[month]) && text.substr(kMonthNames[month].size()).starts_with(' ')) {
      time.month = static_cast<int>(month) + 1;
      text.remove_prefix(kMonthNames[month].size() + 1);
    }
  }
  if (time.month == 0) return std::nullopt;
  if (!ReadDigits(text, 2, time.day) || !Skip(text, ", ") || !ReadDigits(text, 4, time.year) || !Skip(text, " ") ||
      !ReadDigits(text, 2, time.hour) || !Skip(text, ":") || !ReadDigits(text, 2, time.minute) ||
      !Skip(text, ":") || !ReadDigits(text, 2, time.second) || !text.empty()) {
    return std::nullopt;
  }
  if (time.day < 1 || time.day > 31 || time.hour > 23 || time.minute > 59 || time.second > 60) return std::nullopt;
  return time;
}

std::optional<LogRow> ParseLogRow(std::string_view line) {
  LogRow row;
  int elapsed = 0;
  if (!ReadInt(line, row.point) || !Skip(line, ",") || !ReadInt(line, elapsed) || !Skip(line, ",")) {
    return std::nullopt;
  }
  row.elapsedMs = elapsed;
  row.reply = line;
  return row;
}

std::vector<LogRun> FindLogRuns(std::string_view text) {
  std::vector<LogRun> runs;
  size_t at = 0;
  for (;;) {
    const size_t end = text.find('\n', at);
    if (end == std::string_view::npos) break;
    std::string_view line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const size_t next = end + 1;
    if (line.starts_with(kStartStampPrefix)) {
      if (!runs.empty()) runs.back().bodyEnd = at;
      LogRun& run = runs.emplace_back();
      run.stamp = Quoted(line, kStartStampPrefix);
      run.started = ParseStartStamp(run.stamp);
      run.bodyBegin = next;
    } else if (!runs.empty() && line.starts_with(kQueryPrefix)) {
      runs.back().command = Quoted(line, kQueryPrefix);
    } else if (!runs.empty() && line.starts_with(kColumnTitlesPrefix)) {
      runs.back().columnTitles = std::string(line.substr(kColumnTitlesPrefix.size()));
    }
    if (!runs.empty()) runs.back().bodyEnd = next;
    at = next;
  }
  return runs;
}

}  // namespace velmar

#include "logfile/log_reader.h"

#include <limits>

#include "core/decimal_text.h"
#include "logfile/log_format.h"

namespace velmar {

namespace {

// Reads `digits` decimal digits exactly.
bool ReadDigits(std::string_view& text, size_t digits, int& value) {
  if (text.size() < digits || ReadDigitRun(text.substr(0, digits)).length != digits) return false;
  value = static_cast<int>(ReadDigitRun(text.substr(0, digits)).value);
  text.remove_prefix(digits);
  return true;
}

bool Skip(std::string_view& text, std::string_view expected) {
  if (!text.starts_with(expected)) return false;
  text.remove_prefix(expected.size());
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
  const std::optional<int64_t> point = TakeSignedDecimal(line);
  if (!point || *point < std::numeric_limits<int>::min() || *point > std::numeric_limits<int>::max() ||
      !Skip(line, ",")) {
    return std::nullopt;
  }
  const std::optional<int64_t> elapsed = TakeSignedDecimal(line);
  if (!elapsed || !Skip(line, ",")) return std::nullopt;
  return LogRow{static_cast<int>(*point), *elapsed, line};
}

void LogRunIndex::OnLine(std::string_view line, uint64_t offset, uint64_t next) {
  if (line.starts_with(kStartStampPrefix)) {
    if (runs_.size() >= kMaxRuns) runs_.erase(runs_.begin());
    LogRun& run = runs_.emplace_back();
    run.stamp = Quoted(line, kStartStampPrefix);
    run.started = ParseStartStamp(run.stamp);
    run.begin = offset;
  } else if (runs_.empty()) {
    return;
  } else if (line.starts_with(kQueryPrefix)) {
    runs_.back().command = Quoted(line, kQueryPrefix);
  } else if (line.starts_with(kColumnTitlesPrefix)) {
    runs_.back().columnTitles = std::string(line.substr(kColumnTitlesPrefix.size()));
  } else if (const std::optional<LogRow> row = ParseLogRow(line)) {
    LogRun& run = runs_.back();
    if (run.rows == 0) {
      run.firstPoint = row->point;
      run.firstMs = row->elapsedMs;
    }
    run.lastMs = row->elapsedMs;
    ++run.rows;
  }
  runs_.back().end = next;
}

std::vector<LogRun> FindLogRuns(std::string_view text) {
  LogRunIndex index;
  LineSplitter lines;
  lines.Feed(text, [&](std::string_view line, uint64_t offset, uint64_t next) { index.OnLine(line, offset, next); });
  return index.Take();
}

}  // namespace velmar

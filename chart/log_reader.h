#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "session/run_types.h"

namespace velmar {

// One run found in a log file: its preamble and where its rows lie in the text.
struct LogRun {
  std::string stamp;  // as written, e.g. "Monday, December 07, 2026 06:12:25"
  std::optional<LocalDateTime> started;
  std::string command;
  std::string columnTitles;
  size_t bodyBegin = 0;  // byte offsets of the lines after the preamble's first line
  size_t bodyEnd = 0;
};

struct LogRow {
  int point = 0;
  int32_t elapsedMs = 0;
  std::string_view reply;
};

// "dddd, MMMM dd, yyyy HH:mm:ss" with English names; milliseconds 0.
std::optional<LocalDateTime> ParseStartStamp(std::string_view text);

// "<point>,<elapsed ms>,<reply>"; the reply is the rest of the line, commas and all.
std::optional<LogRow> ParseLogRow(std::string_view line);

// The runs of a log file's text, oldest first. Only complete lines count: a last line without
// its line end is still being written.
std::vector<LogRun> FindLogRuns(std::string_view text);

// Calls onRow(const LogRow&) for every row line of the run; other lines are skipped.
template <class OnRow>
void ForEachLogRow(std::string_view text, const LogRun& run, OnRow&& onRow) {
  size_t at = run.bodyBegin;
  while (at < run.bodyEnd) {
    const size_t end = text.find('\n', at);
    if (end == std::string_view::npos || end >= run.bodyEnd) return;
    std::string_view line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (const std::optional<LogRow> row = ParseLogRow(line)) onRow(*row);
    at = end + 1;
  }
}

}  // namespace velmar

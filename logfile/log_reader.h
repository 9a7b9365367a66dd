#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/local_time.h"

namespace velmar {

// One run found in a log file: its preamble, where it lies in the file, and what its rows span.
// A split run's later files are runs of their own whose first point is not 1.
struct LogRun {
  std::string stamp;  // as written, e.g. "Monday, December 07, 2026 06:12:25"
  std::optional<LocalDateTime> started;
  std::string command;
  std::string columnTitles;
  uint64_t begin = 0;  // byte offset of its start stamp's line
  uint64_t end = 0;    // byte offset just past its last complete line
  uint64_t rows = 0;
  int firstPoint = 0;
  int64_t firstMs = 0;
  int64_t lastMs = 0;
};

struct LogRow {
  int point = 0;
  int64_t elapsedMs = 0;
  std::string_view reply;
};

// "dddd, MMMM dd, yyyy HH:mm:ss" with English names; milliseconds 0.
std::optional<LocalDateTime> ParseStartStamp(std::string_view text);

// "<point>,<elapsed ms>,<reply>"; the reply is the rest of the line, commas and all.
std::optional<LogRow> ParseLogRow(std::string_view line);

// Cuts a byte stream, fed in chunks of any size, into lines ended by LF (a CR before it is
// dropped). A line not ended yet waits for the next chunk; one never ended is left out, since
// it is still being written or was cut short. A line longer than kMaxLineBytes is skipped, so
// no file holds more than that in memory.
class LineSplitter {
 public:
  static constexpr size_t kMaxLineBytes = size_t{1} << 20;

  explicit LineSplitter(uint64_t offset = 0) : lineStart_(offset) {}

  // Calls onLine(line, offsetOfLine, offsetAfterLine) for every line the chunk completes.
  template <class OnLine>
  void Feed(std::string_view chunk, OnLine&& onLine) {
    while (!chunk.empty()) {
      const size_t end = chunk.find('\n');
      const bool ended = end != std::string_view::npos;
      const std::string_view piece = chunk.substr(0, ended ? end : chunk.size());
      lineBytes_ += piece.size();
      if (!overlong_ && lineBytes_ > kMaxLineBytes) {
        overlong_ = true;
        std::string().swap(partial_);
      }
      if (!ended) {
        if (!overlong_) partial_.append(piece);
        return;
      }
      const uint64_t next = lineStart_ + lineBytes_ + 1;
      if (!overlong_ && partial_.empty()) {
        onLine(TrimCr(piece), lineStart_, next);
      } else if (!overlong_) {
        partial_.append(piece);
        onLine(TrimCr(partial_), lineStart_, next);
        partial_.clear();
      }
      overlong_ = false;
      lineStart_ = next;
      lineBytes_ = 0;
      chunk.remove_prefix(end + 1);
    }
  }

 private:
  static std::string_view TrimCr(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
  }

  std::string partial_;
  uint64_t lineStart_;
  uint64_t lineBytes_ = 0;
  bool overlong_ = false;
};

// Gathers a log's runs from its lines, oldest first. Past kMaxRuns the oldest are let go.
class LogRunIndex {
 public:
  static constexpr size_t kMaxRuns = 100'000;

  void OnLine(std::string_view line, uint64_t offset, uint64_t next);
  const std::vector<LogRun>& Runs() const { return runs_; }
  std::vector<LogRun> Take() { return std::move(runs_); }

 private:
  std::vector<LogRun> runs_;
};

// Calls onRow(const LogRow&) for each row line; the preamble and other lines are skipped.
template <class OnRow>
void OnRowLine(std::string_view line, OnRow&& onRow) {
  if (const std::optional<LogRow> row = ParseLogRow(line)) onRow(*row);
}

// The runs of a whole log file's text.
std::vector<LogRun> FindLogRuns(std::string_view text);

// Calls onRow(const LogRow&) for every row line of the run in the text it was found in.
template <class OnRow>
void ForEachLogRow(std::string_view text, const LogRun& run, OnRow&& onRow) {
  if (run.begin >= text.size()) return;
  LineSplitter lines(run.begin);
  const std::string_view body = text.substr(run.begin, run.end - run.begin);
  lines.Feed(body, [&](std::string_view line, uint64_t, uint64_t) { OnRowLine(line, onRow); });
}

}  // namespace velmar

#pragma once
#include <cstdint>
#include <string>

namespace velmar {

// Local calendar time as the poll saw it, with the milliseconds the log file does not show.
struct LocalDateTime {
  int year = 0;
  int month = 0;  // 1-12
  int day = 0;    // 1-31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// What a run was started with, as its preamble records it.
struct RunHeader {
  std::wstring command;
  std::wstring columnTitles;
  LocalDateTime started;
};

// One poll of a run: exactly what its row in the log file holds, plus the poll's wall-clock time.
struct LoggedRow {
  int point = 0;
  int32_t elapsedMs = 0;
  LocalDateTime time;
  // The reply's bytes as received (ANSI code page), without CR and LF; empty when the
  // instrument was silent or away.
  std::string reply;
};

// Something that follows a run's rows: the log file, the live chart.
class RowListener {
 public:
  virtual ~RowListener() = default;
  virtual void OnRunStarted(const RunHeader& header) = 0;
  virtual void OnRow(const LoggedRow& row) = 0;
};

}  // namespace velmar

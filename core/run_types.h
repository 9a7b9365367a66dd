#pragma once
#include <cstdint>
#include <string>

#include "core/local_time.h"

namespace velmar {

// What a run was started with, as its preamble records it.
struct RunHeader {
  std::wstring command;
  std::wstring columnTitles;
  LocalDateTime started;
};

// One poll of a run: exactly what its row in the log file holds, plus the poll's wall-clock time.
struct LoggedRow {
  int point = 0;
  // From a 64-bit tick count: runs of any length count on without wrapping.
  int64_t elapsedMs = 0;
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

#pragma once
#include <cstddef>
#include <cstdio>
#include <string>

#include "logfile/log_format.h"

namespace velmar {

// Writes the log file: every call opens the file in "a+" text mode, writes and closes it, so
// other programs may read it between polls. Rows that cannot be written because the file cannot
// be opened wait in order and go out ahead of the next row that can.
class LogFileWriter {
 public:
  // The current local time as FormatLongDateTime gives it; empty when the conversion fails.
  static std::string LocalDateTimeText();

  // Start stamp, query and column titles; false when the file cannot be opened or written.
  // Rows still pending from an earlier run are left alone: they belong to that run's file.
  bool WritePreamble(const std::wstring& path, const std::wstring& command, const std::wstring& header);

  // True when this row, and every row pending before it, is in the file.
  bool AppendRow(const std::wstring& path, int point, int elapsedMs, const std::string& reply);

  // One attempt to write the pending rows; true when none remain.
  bool FlushPending(const std::wstring& path);

  size_t PendingCount() const { return pending_.Count(); }
  size_t DroppedCount() const { return pending_.DroppedCount(); }
  void DiscardPending() { pending_.Clear(); }

 private:
  // Writes pending rows oldest first, stopping at the first failure; false if any remain.
  bool WritePendingTo(std::FILE* file);

  PendingRows pending_;
};

}  // namespace velmar

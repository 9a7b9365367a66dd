#pragma once
#include <cstddef>
#include <string>

#include "session/run_types.h"

namespace velmar {

// The log file as a run uses it. Rows the file refuses wait in order and go out ahead of the
// next row that can be written.
class RunFile {
 public:
  virtual ~RunFile() = default;
  // Start stamp, query and column titles; false when the file cannot be opened or written.
  virtual bool WritePreamble(const std::wstring& path, const std::wstring& command, const std::wstring& header) = 0;
  // True when this row, and every row waiting before it, is in the file.
  virtual bool AppendRow(const std::wstring& path, int point, int elapsedMs, const std::string& reply) = 0;
  // One attempt to write the waiting rows; true when none remain.
  virtual bool FlushPending(const std::wstring& path) = 0;
  virtual size_t PendingCount() const = 0;
  // Rows refused beyond the memory bound: counted, not kept.
  virtual size_t DroppedCount() const = 0;
  // Writes the run's preamble and the waiting rows to a recovery file beside the log, or else
  // in the temporary folder; returns its path, empty when neither place took it. The rows no
  // longer wait either way.
  virtual std::wstring SaveUnwritten(const std::wstring& path, const LocalDateTime& now) = 0;
  virtual void DiscardPending() = 0;
};

}  // namespace velmar

#pragma once
#include <cstddef>
#include <string>

#include "logfile/log_format.h"
#include "logfile/run_file.h"

namespace velmar {

// Writes the log file: every call opens the file by its UTF-16 name, appends and closes it,
// sharing it fully, so other programs may read it between polls. The contents are in the ANSI
// code page with CR LF line ends, as a text-mode stream would write them. Each row reaches the
// file whole or not at all.
class LogFileWriter final : public RunFile {
 public:
  // The current local time as FormatLongDateTime gives it; empty when the conversion fails.
  static std::string LocalDateTimeText();

  // Rows still pending from an earlier run are left alone: they belong to that run's file.
  bool WritePreamble(const std::wstring& path, const std::wstring& command, const std::wstring& header) override;
  bool AppendRow(const std::wstring& path, int point, int elapsedMs, const std::string& reply) override;
  bool FlushPending(const std::wstring& path) override;
  size_t PendingCount() const override { return pending_.Count(); }
  size_t DroppedCount() const override { return pending_.DroppedCount(); }
  std::wstring SaveUnwritten(const std::wstring& path, const LocalDateTime& now) override;
  void DiscardPending() override { pending_.Clear(); }

 private:
  PendingRows pending_;
  // The last preamble written, which a recovery file repeats.
  std::string preamble_;
};

}  // namespace velmar

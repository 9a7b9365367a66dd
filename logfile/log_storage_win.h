#pragma once
#include <string>
#include <vector>

#include "logfile/log_storage.h"

namespace velmar {

// The log's files on disk: every call opens the file by its UTF-16 name, appends and closes
// it, sharing it fully, so other programs may read it between polls. The contents are in the
// ANSI code page with CR LF line ends, as a text-mode stream would write them; each line
// reaches the file whole or not at all.
class WindowsLogStorage final : public LogStorage {
 public:
  std::string FileText(const std::wstring& text) override;
  bool Exists(const std::wstring& path) override;
  size_t AppendLines(const std::wstring& path, const std::vector<const std::string*>& lines) override;
  bool WriteWhole(const std::wstring& path, const std::vector<const std::string*>& lines) override;
  std::wstring TempFolder() override;
};

}  // namespace velmar

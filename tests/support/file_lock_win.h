#pragma once
#include <windows.h>

#include <string>

#include "framework/unique_handle_win.h"

namespace velmar::test {

// Holds a file the way a spreadsheet does: open with no sharing at all, created if missing.
class ExclusiveFileLock {
 public:
  ExclusiveFileLock() = default;
  explicit ExclusiveFileLock(const std::wstring& path)
      : file_(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  bool Held() const { return static_cast<bool>(file_); }
  void Release() { file_.Reset(); }

 private:
  UniqueFile file_;
};

}  // namespace velmar::test

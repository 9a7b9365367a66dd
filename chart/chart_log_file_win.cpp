#include "chart/chart_log_file_win.h"

#include <windows.h>

#include <algorithm>

#include "framework/unique_handle_win.h"

namespace velmar {

std::optional<std::string> ReadSharedFile(const std::wstring& path) {
  const UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0) return std::nullopt;
  std::string content;
  // The file may grow while it is read; what was there at the start is enough.
  content.resize(static_cast<size_t>(size.QuadPart));
  size_t done = 0;
  while (done < content.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(content.size() - done, 1 << 24));
    DWORD read = 0;
    if (!ReadFile(file.Get(), content.data() + done, chunk, &read, nullptr)) return std::nullopt;
    if (read == 0) break;
    done += read;
  }
  content.resize(done);
  return content;
}

}  // namespace velmar

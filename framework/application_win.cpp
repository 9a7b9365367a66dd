#include "framework/application_win.h"

#include <vector>

namespace velmar {

int Application::Run() noexcept {
  try {
    InitInstance();
  } catch (...) {
    // Nothing may escape into Windows; a failed start simply ends the process.
    return 1;
  }
  return exitCode_;
}

HINSTANCE ResourceModule() { return GetModuleHandleW(nullptr); }

std::wstring ExecutableBasePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  DWORD length = 0;
  for (;;) {
    length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length < buffer.size()) break;
    buffer.resize(buffer.size() * 2);
  }
  std::wstring path(buffer.data(), length);
  const size_t nameStart = path.find_last_of(L"\\/") + 1;  // 0 when there is no folder
  const size_t dot = path.find_last_of(L'.');
  if (dot != std::wstring::npos && dot >= nameStart) path.erase(dot);
  return path;
}

std::wstring ApplicationName() {
  const std::wstring base = ExecutableBasePath();
  return base.substr(base.find_last_of(L"\\/") + 1);
}

}  // namespace velmar

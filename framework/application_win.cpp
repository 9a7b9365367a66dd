#include "framework/application_win.h"

#include <vector>

namespace velmar {

Application* Application::instance_ = nullptr;

Application::Application() { instance_ = this; }

Application::~Application() {
  if (instance_ == this) instance_ = nullptr;
}

int Application::Run(HINSTANCE module) noexcept {
  module_ = module;
  try {
    InitInstance();
  } catch (...) {
    // Nothing may escape into Windows; a failed start simply ends the process.
    return 1;
  }
  return 0;
}

std::wstring ApplicationName() {
  std::vector<wchar_t> buffer(MAX_PATH);
  DWORD length = 0;
  for (;;) {
    length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length < buffer.size()) break;
    buffer.resize(buffer.size() * 2);
  }
  std::wstring path(buffer.data(), length);
  const size_t slash = path.find_last_of(L"\\/");
  std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
  const size_t dot = name.find_last_of(L'.');
  if (dot != std::wstring::npos) name.erase(dot);
  return name;
}

}  // namespace velmar

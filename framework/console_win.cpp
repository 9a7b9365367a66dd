#include "framework/console_win.h"

#include <windows.h>

#include "framework/ansi_text_win.h"
#include "framework/unique_handle_win.h"

namespace velmar {

void TellStartingConsole(const std::wstring& message) {
  std::wstring text;
  for (const wchar_t c : message) {
    if (c == L'\n') text += L'\r';
    text += c;
  }
  if (!text.ends_with(L"\r\n")) text += L"\r\n";
  const HANDLE given = GetStdHandle(STD_ERROR_HANDLE);
  DWORD written = 0;
  if (given && given != INVALID_HANDLE_VALUE) {
    const std::string narrow = ToAnsi(text);
    if (WriteFile(given, narrow.data(), static_cast<DWORD>(narrow.size()), &written, nullptr)) return;
  }
  static const bool attached = AttachConsole(ATTACH_PARENT_PROCESS) != FALSE;
  if (!attached) return;
  const UniqueFile console(CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
  if (console) WriteConsoleW(console.Get(), text.c_str(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace velmar

#include "tools/driver/dialog_driver_win.h"

#include <thread>

#include "framework/unique_handle_win.h"

namespace velmar::driver {
namespace {

struct FindContext {
  DWORD processId;
  const wchar_t* caption;
  const wchar_t* className;
  std::vector<HWND> found;
};

std::wstring TextOf(HWND window, int (WINAPI* get)(HWND, LPWSTR, int)) {
  wchar_t text[256] = {};
  get(window, text, 256);
  return text;
}

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
  auto* context = reinterpret_cast<FindContext*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != context->processId || !IsWindowVisible(window)) return TRUE;
  if (context->className && TextOf(window, GetClassNameW) != context->className) return TRUE;
  if (context->caption && TextOf(window, GetWindowTextW) != context->caption) return TRUE;
  context->found.push_back(window);
  return TRUE;
}

constexpr wchar_t kDialogClass[] = L"#32770";

}  // namespace

bool WaitFor(const std::function<bool()>& condition, Millis timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(Millis(10));
  }
}

std::vector<HWND> FindProcessWindows(DWORD processId, const wchar_t* caption, const wchar_t* className) {
  FindContext context{processId, caption, className, {}};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&context));
  return context.found;
}

LRESULT SendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // A logger that hangs fails the test instead of hanging it; a send that timed out on a busy
  // machine is tried again.
  for (int attempt = 0; attempt < 4 && IsWindow(window); ++attempt) {
    DWORD_PTR result = 0;
    if (SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, 3000, &result)) {
      return static_cast<LRESULT>(result);
    }
  }
  return 0;
}

HWND FindProcessDialog(DWORD processId, const wchar_t* caption) {
  const std::vector<HWND> found = FindProcessWindows(processId, caption, kDialogClass);
  return found.empty() ? nullptr : found.front();
}

std::wstring DialogDriver::Text(int id) const {
  HWND control = Item(id);
  const LRESULT length = SendBounded(control, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const LRESULT copied = SendBounded(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(copied));
  return text;
}

void DialogDriver::SetText(int id, const std::wstring& text) const {
  SendBounded(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool DialogDriver::Enabled(int id) const { return IsWindowEnabled(Item(id)) != FALSE; }

void DialogDriver::Click(int id) const {
  PostMessageW(dialog_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(id)));
}


void DialogDriver::SendSysCommand(WPARAM command) const { PostMessageW(dialog_, WM_SYSCOMMAND, command, 0); }

std::vector<std::pair<std::wstring, LRESULT>> DialogDriver::ComboEntries(int id) const {
  HWND combo = Item(id);
  std::vector<std::pair<std::wstring, LRESULT>> entries;
  const LRESULT count = SendBounded(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = SendBounded(combo, CB_GETLBTEXTLEN, i, 0);
    std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    SendBounded(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length > 0 ? length : 0));
    entries.emplace_back(text, SendBounded(combo, CB_GETITEMDATA, i, 0));
  }
  return entries;
}

std::wstring DialogDriver::ComboSelectionText(int id) const {
  const LRESULT selected = SendBounded(Item(id), CB_GETCURSEL, 0, 0);
  if (selected == CB_ERR) return {};
  const auto entries = ComboEntries(id);
  return static_cast<size_t>(selected) < entries.size() ? entries[static_cast<size_t>(selected)].first : L"";
}


bool DialogDriver::SelectComboText(int id, const std::wstring& text) const {
  const auto entries = ComboEntries(id);
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].first == text) return SendBounded(Item(id), CB_SETCURSEL, i, 0) != CB_ERR;
  }
  return false;
}

HWND DialogDriver::FindOtherDialog() const {
  for (HWND window : FindProcessWindows(processId_, nullptr, kDialogClass)) {
    if (window != dialog_) return window;
  }
  return nullptr;
}

HWND DialogDriver::WaitOtherDialog(Millis timeout) const {
  HWND found = nullptr;
  WaitFor([&] { return (found = FindOtherDialog()) != nullptr; }, timeout);
  return found;
}

bool DialogDriver::ChooseInFileDialog(const std::wstring& path, Millis timeout) const {
  HWND files = WaitOtherDialog(timeout);
  if (!files) return false;
  HWND name = GetDlgItem(files, 0x47C);  // the file name box of the file dialog
  if (HWND edit = FindWindowExW(name, nullptr, L"Edit", nullptr)) name = edit;
  SendBounded(name ? name : GetDlgItem(files, 0x480), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
  Answer(files, IDOK);
  return WaitFor([&] { return !IsWindow(files); }, timeout);
}

// A message box's text is its static control 0xFFFF.
std::wstring DialogDriver::MessageText(HWND box) {
  wchar_t text[1024] = {};
  SendBounded(GetDlgItem(box, 0xFFFF), WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
  return text;
}

void DialogDriver::Answer(HWND box, int buttonId) {
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, buttonId)));
}

std::wstring DialogDriver::WindowCaption(HWND window) const {
  wchar_t caption[256] = {};
  GetWindowTextW(window, caption, 256);
  return caption;
}

HWND DialogDriver::FocusedControl() const {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  const DWORD thread = GetWindowThreadProcessId(dialog_, nullptr);
  return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

LoggerProcess::~LoggerProcess() {
  if (processInfo_.hProcess) {
    if (Running()) {
      TerminateProcess(processInfo_.hProcess, 1);
      WaitForSingleObject(processInfo_.hProcess, 5000);
    }
    CloseHandle(processInfo_.hProcess);
    CloseHandle(processInfo_.hThread);
  }
}

bool LoggerProcess::Spawn(const std::wstring& exePath, const std::wstring& arguments, const std::wstring& errorFile) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  UniqueFile error;
  if (!errorFile.empty()) {
    SECURITY_ATTRIBUTES inherited{sizeof(inherited), nullptr, TRUE};
    error = UniqueFile(CreateFileW(errorFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!error) return false;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdError = error.Get();
  }
  std::wstring commandLine = L"\"" + exePath + L"\"";
  if (!arguments.empty()) commandLine += L" " + arguments;
  // A process start under Wine failed once in a whole suite's run, right after another instance
  // ended: the start is tried up to three times.
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (CreateProcessW(exePath.c_str(), commandLine.data(), nullptr, nullptr, error ? TRUE : FALSE, 0, nullptr,
                       nullptr, &startup, &processInfo_)) {
      return true;
    }
    Sleep(200);
  }
  return false;
}

bool LoggerProcess::Start(const std::wstring& exePath, Millis timeout, const std::wstring& arguments) {
  if (!Spawn(exePath, arguments)) return false;
  WaitForInputIdle(processInfo_.hProcess, static_cast<DWORD>(timeout.count()));
  return WaitFor([&] { return (dialog_ = FindProcessDialog(processInfo_.dwProcessId, kMainCaption)) != nullptr; },
                 timeout);
}

bool LoggerProcess::WaitExit(Millis timeout) {
  return WaitForSingleObject(processInfo_.hProcess, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

bool LoggerProcess::Running() const { return WaitForSingleObject(processInfo_.hProcess, 0) == WAIT_TIMEOUT; }

DWORD LoggerProcess::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(processInfo_.hProcess, &code);
  return code;
}

}  // namespace velmar::driver

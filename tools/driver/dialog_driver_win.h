#pragma once
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace velmar::driver {

using Millis = std::chrono::milliseconds;

// Polls a condition until it holds or the deadline passes; never a blind sleep.
bool WaitFor(const std::function<bool()>& condition, Millis timeout);

// Drives another process's dialog from outside, through window messages only.
class DialogDriver {
 public:
  DialogDriver(HWND dialog, DWORD processId) : dialog_(dialog), processId_(processId) {}

  HWND Dialog() const { return dialog_; }
  HWND Item(int id) const { return GetDlgItem(dialog_, id); }

  std::wstring Text(int id) const;
  void SetText(int id, const std::wstring& text) const;
  bool Enabled(int id) const;
  // Posted, so a handler that opens a message box does not block the driver.
  void Click(int id) const;
  void SendSysCommand(WPARAM command) const;

  std::vector<std::pair<std::wstring, LRESULT>> ComboEntries(int id) const;
  std::wstring ComboSelectionText(int id) const;
  bool SelectComboText(int id, const std::wstring& text) const;

  // A message box or other dialog of the same process, other than the driven one.
  HWND FindOtherDialog() const;
  HWND WaitOtherDialog(Millis timeout) const;
  // Fills in the file name of the file dialog the program opens next, and confirms it.
  bool ChooseInFileDialog(const std::wstring& path, Millis timeout) const;
  static std::wstring MessageText(HWND box);
  static void Answer(HWND box, int buttonId);

  std::wstring WindowCaption(HWND window) const;
  HWND FocusedControl() const;

 private:
  HWND dialog_;
  DWORD processId_;
};

// The program under test, started and ended by the test.
class LoggerProcess {
 public:
  LoggerProcess() = default;
  ~LoggerProcess();
  LoggerProcess(const LoggerProcess&) = delete;
  LoggerProcess& operator=(const LoggerProcess&) = delete;

  // Starts the program and waits for its main dialog.
  bool Start(const std::wstring& exePath, Millis timeout, const std::wstring& arguments = L"");
  // Starts the program without waiting for anything; with an errorFile, its standard error
  // goes there, as a batch file's "2>" would send it.
  bool Spawn(const std::wstring& exePath, const std::wstring& arguments, const std::wstring& errorFile = L"");
  DWORD ProcessId() const { return processInfo_.dwProcessId; }
  DialogDriver Driver() const { return DialogDriver(dialog_, processInfo_.dwProcessId); }
  HWND Dialog() const { return dialog_; }
  bool WaitExit(Millis timeout);
  bool Running() const;
  // STILL_ACTIVE while it runs.
  DWORD ExitCode() const;

 private:
  PROCESS_INFORMATION processInfo_{};
  HWND dialog_ = nullptr;
};

// The main dialog's caption, by which the driver finds it.
inline constexpr wchar_t kMainCaption[] = L"Velmar Simple Data Logger";

// The visible top-level windows of a process, of this caption and class where given.
std::vector<HWND> FindProcessWindows(DWORD processId, const wchar_t* caption, const wchar_t* className = nullptr);
// SendMessageW with a bound on every try, and a few tries; 0 when the window never answered.
LRESULT SendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Its first visible dialog of this caption, or of any when none is given.
HWND FindProcessDialog(DWORD processId, const wchar_t* caption);

}  // namespace velmar::driver

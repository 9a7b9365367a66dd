#include "app/dialog_timers.h"
#include "app/main_dialog_win.h"
#include "res/resource.h"
#include "settings/baud_table.h"
#include "settings/port_list_win.h"

namespace {

constexpr UINT kPortWaitCheckMs = 1000;
constexpr UINT kMinimizedHoldMs = 1000;
// A window timer's period is at most USER_TIMER_MAXIMUM; longer durations re-arm.
constexpr ULONGLONG kLongestTimerMs = 0x7FFFFFFF;

}  // namespace

// The switches land in the fields exactly as the user's choices would; a fault in them, or a
// missing port that no run waits for, applies none of them.
void CVelmarDataLoggerDlg::ApplySwitches() {
  if (!switches_.error.empty()) return;
  const velmar::CommandLineOptions& options = switches_.options;
  const bool present = options.port && velmar::ComPortExists(*options.port);
  const velmar::PortOnStart port = velmar::PortOnStartFor(options, present);
  if (port == velmar::PortOnStart::Missing) {
    switches_.error = velmar::MissingPortError(*options.port);
    return;
  }
  if (port == velmar::PortOnStart::WaitForIt) waitedPort_ = options.port;
  if (options.port && present) velmar::SelectPortEntry(portList_, *options.port);
  if (options.baudRate) SendMessageW(baudList_, CB_SETCURSEL, velmar::BaudListIndexForRate(*options.baudRate), 0);
  if (options.intervalMs) interval_ = *options.intervalMs;
  if (options.command) command_ = *options.command;
  if (options.header) columnHeader_ = *options.header;
  if (options.logPath) logFilePath_ = *options.logPath;
  pendingDurationMs_ = options.durationMs;
  closeWhenRunEnds_ = options.closeWhenDone;
}

void CVelmarDataLoggerDlg::OnStartupSwitches() {
  chart_->ShowIfOpenAtLastEnd();
  if (!switches_.error.empty()) {
    ShowMessage(switches_.error);
    return;
  }
  const velmar::CommandLineOptions& options = switches_.options;
  if (options.chart) chart_->Show();
  if (options.start) {
    if (waitedPort_) {
      WaitForPort(*waitedPort_);
    } else {
      StartFromCommandLine();
    }
  }
  if (options.minimized && IsWindow(Hwnd())) {
    SendMessageW(Hwnd(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    holdMinimized_ = true;
    SetTimer(Hwnd(), velmar::kMinimizedHoldTimer, kMinimizedHoldMs, nullptr);
  }
}

void CVelmarDataLoggerDlg::StartFromCommandLine() {
  if (!OnStart()) {
    RunEnded();
    return;
  }
  if (pendingDurationMs_) {
    runDeadline_ = GetTickCount64() + *pendingDurationMs_;
    pendingDurationMs_.reset();
    OnDurationTimer();
  }
}

// Stop stays available to end the wait; the run starts once the port is listed.
void CVelmarDataLoggerDlg::WaitForPort(int port) {
  EnableControls(false);
  SetStatus(L"Waiting for COM" + std::to_wstring(port) + L"...");
  SetTimer(Hwnd(), velmar::kPortWaitTimer, kPortWaitCheckMs, nullptr);
}

void CVelmarDataLoggerDlg::CheckWaitedPort() {
  if (!waitedPort_ || !velmar::ComPortExists(*waitedPort_)) return;
  const int port = *waitedPort_;
  KillTimer(Hwnd(), velmar::kPortWaitTimer);
  waitedPort_.reset();
  velmar::RebuildPortList(portList_, port, false);
  EnableControls(true);
  StartFromCommandLine();
}

void CVelmarDataLoggerDlg::OnDurationTimer() {
  KillTimer(Hwnd(), velmar::kDurationTimer);
  if (!runDeadline_) return;
  const ULONGLONG now = GetTickCount64();
  if (now >= *runDeadline_) {
    OnStop();
    return;
  }
  const ULONGLONG left = std::min(*runDeadline_ - now, kLongestTimerMs);
  SetTimer(Hwnd(), velmar::kDurationTimer, static_cast<UINT>(left), nullptr);
}

#pragma once
#include <windows.h>

namespace velmar {

// The DPI a window is drawn at: GetDpiForWindow where Windows has it, else the screen's.
int WindowDpi(HWND window);
// A monitor's own DPI, which an unaware window on it does not report: GetDpiForMonitor where
// Windows has it, else the screen's.
int MonitorDpi(HMONITOR monitor);

// While it lives, the windows this thread creates are per-monitor DPI aware: V2 where Windows
// takes it, else V1 (Wine takes only V1). Other windows stay as the manifest makes them; the
// thread's previous context comes back at the end.
class PerMonitorDpiScope {
 public:
  PerMonitorDpiScope() noexcept;
  ~PerMonitorDpiScope();
  PerMonitorDpiScope(const PerMonitorDpiScope&) = delete;
  PerMonitorDpiScope& operator=(const PerMonitorDpiScope&) = delete;

 private:
  DPI_AWARENESS_CONTEXT previous_ = nullptr;
};

}  // namespace velmar

#include "framework/dpi_win.h"

#include "framework/gdi_objects_win.h"

namespace velmar {

namespace {

// Looked up at run time: older Windows and Wine builds lack them.
template <class Function>
Function Lookup(const wchar_t* module, const char* name) {
  HMODULE loaded = GetModuleHandleW(module);
  if (!loaded) loaded = LoadLibraryW(module);
  return loaded ? reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(loaded, name))) : nullptr;
}

using SetThreadDpiAwarenessContextFunction = DPI_AWARENESS_CONTEXT(WINAPI*)(DPI_AWARENESS_CONTEXT);

SetThreadDpiAwarenessContextFunction SetThreadContext() {
  static const auto function =
      Lookup<SetThreadDpiAwarenessContextFunction>(L"user32.dll", "SetThreadDpiAwarenessContext");
  return function;
}

int ScreenDpi() {
  const WindowDc screen(nullptr);
  const int dpi = screen.Get() ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 96;
  return dpi > 0 ? dpi : 96;
}

}  // namespace

int WindowDpi(HWND window) {
  using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = Lookup<GetDpiForWindowFunction>(L"user32.dll", "GetDpiForWindow");
  if (getDpiForWindow && window) {
    if (const UINT dpi = getDpiForWindow(window)) return static_cast<int>(dpi);
  }
  return ScreenDpi();
}

int MonitorDpi(HMONITOR monitor) {
  // MDT_EFFECTIVE_DPI is 0.
  using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  static const auto getDpiForMonitor = Lookup<GetDpiForMonitorFunction>(L"shcore.dll", "GetDpiForMonitor");
  UINT x = 0;
  UINT y = 0;
  if (getDpiForMonitor && monitor && SUCCEEDED(getDpiForMonitor(monitor, 0, &x, &y)) && y > 0) {
    return static_cast<int>(y);
  }
  return ScreenDpi();
}

PerMonitorDpiScope::PerMonitorDpiScope() noexcept {
  if (const auto set = SetThreadContext()) {
    previous_ = set(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    if (!previous_) previous_ = set(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
  }
}

PerMonitorDpiScope::~PerMonitorDpiScope() {
  if (previous_) SetThreadContext()(previous_);
}

}  // namespace velmar

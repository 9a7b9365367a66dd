#include "chart/chart_window_win.h"

#include <windowsx.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "chart/log_source_win.h"
#include "chart/chart_menu_win.h"
#include "chart/gdi_objects_win.h"
#include "core/reply_fields.h"
#include "chart/time_labels.h"
#include "framework/ansi_text_win.h"

namespace velmar {

namespace {

constexpr wchar_t kClassName[] = L"VelmarLiveChart";
constexpr UINT_PTR kRepaintTimer = 1;
constexpr UINT kRepaintMs = 100;
constexpr int kDefaultWidth = 820;
constexpr int kDefaultHeight = 560;
constexpr int kMinimumWidth = 360;
constexpr int kMinimumHeight = 260;
// Posted by the log reader's thread when it has finished a job.
constexpr UINT kLogReadMessage = WM_APP + 40;

std::wstring FileName(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace

ChartWindow::ChartWindow(HWND owner, Profile profile)
    : owner_(owner),
      settings_(std::move(profile)),
      chosenWindow_(settings_.ReadWindow()),
      hiddenColumns_(settings_.ReadHiddenColumns()),
      loader_([this] { if (const HWND target = loadNotices_.load()) PostMessageW(target, kLogReadMessage, 0, 0); },
              // Reading a big file is never more urgent than the next poll.
              [] { SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_LOWEST); }) {
  view_.SetWindow(chosenWindow_);
}

ChartWindow::~ChartWindow() { Close(); }

void ChartWindow::Show() {
  if (!hwnd_) return Create();
  if (IsIconic(hwnd_)) ShowWindow(hwnd_, SW_RESTORE);
  SetForegroundWindow(hwnd_);
}

void ChartWindow::Close() {
  if (hwnd_) DestroyWindow(hwnd_);
}

void ChartWindow::CloseAtEnd() {
  if (!openAtEndSaved_) settings_.WriteOpenAtEnd(IsOpen());
  openAtEndSaved_ = true;
  Close();
}

void ChartWindow::ShowIfOpenAtLastEnd() {
  if (settings_.ReadOpenAtEnd()) Show();
}

void ChartWindow::Create() {
  const HINSTANCE module = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  if (!GetClassInfoExW(module, kClassName, &windowClass)) {
    windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = module;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass);
  }
  const int dpi = WindowDpi(owner_);
  if (!CreateWindowExW(0, kClassName, kCaption, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                       MulDiv(kDefaultWidth, dpi, 96), MulDiv(kDefaultHeight, dpi, 96), owner_, nullptr, module,
                       this)) {
    return;
  }
  int show = SW_SHOWNORMAL;
  if (const std::optional<ChartPlacement> remembered = settings_.ReadPlacement()) {
    const RECT wanted{remembered->normal.left, remembered->normal.top, remembered->normal.right,
                      remembered->normal.bottom};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromRect(&wanted, MONITOR_DEFAULTTONEAREST), &monitor);
    const PixelRect fitted = FitWithin(remembered->normal, {monitor.rcWork.left, monitor.rcWork.top,
                                                            monitor.rcWork.right, monitor.rcWork.bottom});
    SetWindowPos(hwnd_, nullptr, fitted.left, fitted.top, fitted.Width(), fitted.Height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    if (remembered->maximized) show = SW_SHOWMAXIMIZED;
  }
  ShowWindow(hwnd_, show);
  UpdateWindow(hwnd_);
}

void ChartWindow::RememberPlacement() const {
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  RECT normal{};
  if (!GetWindowPlacement(hwnd_, &placement)) return;
  if (IsIconic(hwnd_) || IsZoomed(hwnd_)) {
    normal = placement.rcNormalPosition;
  } else {
    GetWindowRect(hwnd_, &normal);
  }
  settings_.WritePlacement({{normal.left, normal.top, normal.right, normal.bottom}, IsZoomed(hwnd_) != FALSE});
}

void ChartWindow::OnRunStarted(const RunHeader& header) {
  live_.Start(SplitTitles(header.columnTitles), header.started);
  ShowLiveRun();
}

void ChartWindow::OnRow(const LoggedRow& row) {
  live_.AddRow(row.elapsedMs, row.time, row.reply);
  if (!log_) dirty_ = true;
}

bool ChartWindow::ShowLogRun(const std::wstring& path, std::optional<size_t> runIndex) {
  return StartLoad(path, runIndex, false);
}

bool ChartWindow::StartLoad(const std::wstring& path, std::optional<size_t> runIndex, bool askForRun) {
  std::unique_ptr<ChunkSource> source = OpenLogSource(path);
  if (!source) return false;
  // The run shown before goes now: with the live run and the one being read, that is the most
  // the chart ever keeps.
  log_.reset();
  logSource_.clear();
  loadPath_ = path;
  loadRun_ = runIndex;
  askForRun_ = askForRun;
  loader_.Scan(std::move(source));
  Invalidate();
  return true;
}

void ChartWindow::OnLoaded() {
  std::optional<LogLoader::Result> result = loader_.Take();
  if (!result) return;
  if (result->kind == LogLoader::Result::Kind::Failed) {
    MessageBoxW(hwnd_, (L"Cannot read " + loadPath_ + L".").c_str(), kCaption, MB_OK | MB_ICONEXCLAMATION);
  } else if (result->kind == LogLoader::Result::Kind::Scanned) {
    const std::vector<LogRun>& runs = result->runs;
    if (runs.empty()) {
      if (askForRun_) {
        MessageBoxW(hwnd_, (L"No run found in " + loadPath_ + L".").c_str(), kCaption, MB_OK | MB_ICONEXCLAMATION);
      }
    } else if (const std::optional<size_t> chosen = askForRun_ ? ChooseRun(runs) : loadRun_.value_or(runs.size() - 1);
               chosen && *chosen < runs.size()) {
      if (std::unique_ptr<ChunkSource> source = OpenLogSource(loadPath_)) {
        loadingRun_ = runs[*chosen];
        loader_.Build(std::move(source), loadingRun_, SplitTitles(FromAnsi(loadingRun_.columnTitles)));
      }
    }
  } else {
    log_ = std::move(result->chart);
    logSource_ = FileName(loadPath_) + L", run started " + FromAnsi(loadingRun_.stamp);
    view_.SetWindow(TimeWindow::All);
  }
  Invalidate();
}

std::wstring ChartWindow::SourceText() const {
  if (!loader_.Busy()) return logSource_;
  return L"Reading " + FileName(loadPath_) + L"... " + std::to_wstring(loader_.Percent()) + L" %";
}

void ChartWindow::ShowLiveRun() {
  loader_.Cancel();
  log_.reset();
  logSource_.clear();
  view_.SetWindow(chosenWindow_);
  Invalidate();
}

ChartScene ChartWindow::BuildScene(int width, int height) const {
  return BuildChartScene(ShownRun(), view_, hiddenColumns_,
                         {.width = width, .height = height, .dpi = WindowDpi(hwnd_), .cursorX = cursorX_,
                          .source = SourceText()});
}

void ChartWindow::Render(HDC target) {
  RECT client{};
  GetClientRect(hwnd_, &client);
  const ChartScene scene = BuildScene(client.right, client.bottom);
  lastLayout_ = scene.layout;
  // Drawn off screen and copied in one go: no flicker.
  OffscreenBitmap offscreen(target, std::max(1L, client.right), std::max(1L, client.bottom));
  if (!offscreen.Ready()) return;
  painter_.Paint(offscreen.Dc(), scene, client.right, client.bottom);
  BitBlt(target, 0, 0, client.right, client.bottom, offscreen.Dc(), 0, 0, SRCCOPY);
}

bool ChartWindow::CopyToClipboard() {
  if (!hwnd_) return false;
  RECT client{};
  GetClientRect(hwnd_, &client);
  const HDC windowDc = GetDC(hwnd_);
  OffscreenBitmap offscreen(windowDc, std::max(1L, client.right), std::max(1L, client.bottom));
  ReleaseDC(hwnd_, windowDc);
  if (!offscreen.Ready()) return false;
  painter_.Paint(offscreen.Dc(), BuildScene(client.right, client.bottom), client.right, client.bottom);
  if (!OpenClipboard(hwnd_)) return false;
  EmptyClipboard();
  UniqueBitmap bitmap(offscreen.ReleaseBitmap());
  // The clipboard owns the bitmap once it has taken it.
  const bool placed = SetClipboardData(CF_BITMAP, bitmap.Get()) != nullptr;
  if (placed) bitmap.Release();
  CloseClipboard();
  return placed;
}

void ChartWindow::Invalidate() const {
  if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

LRESULT CALLBACK ChartWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<ChartWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->hwnd_ = window;
  }
  auto* self = reinterpret_cast<ChartWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  try {
    return self->Handle(message, wParam, lParam);
  } catch (...) {
    return DefWindowProcW(window, message, wParam, lParam);
  }
}

LRESULT ChartWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      loadNotices_ = hwnd_;
      SetTimer(hwnd_, kRepaintTimer, kRepaintMs, nullptr);
      return 0;
    case WM_TIMER:
      // While a log is read, its progress moves.
      if (wParam == kRepaintTimer && (dirty_ || loader_.Busy())) {
        dirty_ = false;
        Invalidate();
      }
      return 0;
    case kLogReadMessage:
      OnLoaded();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      const HDC dc = BeginPaint(hwnd_, &paint);
      if (dc) Render(dc);
      EndPaint(hwnd_, &paint);
      return 0;
    }
    case WM_PRINTCLIENT:
      Render(reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_SIZE:
      Invalidate();
      return 0;
    case WM_GETMINMAXINFO: {
      auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
      const int dpi = WindowDpi(hwnd_);
      limits->ptMinTrackSize = {MulDiv(kMinimumWidth, dpi, 96), MulDiv(kMinimumHeight, dpi, 96)};
      return 0;
    }
    case WM_DPICHANGED: {
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_KEYDOWN:
      if (OnKey(wParam)) return 0;
      break;
    case WM_COMMAND:
      // The context menu's commands, also when they come from elsewhere (an accelerator, a script).
      Execute(LOWORD(wParam));
      return 0;
    case WM_COPY:
      CopyToClipboard();
      return 0;
    case WM_MOUSEMOVE:
      OnMouseMove(GET_X_LPARAM(lParam));
      return 0;
    case WM_MOUSELEAVE:
      trackingLeave_ = false;
      cursorX_.reset();
      Invalidate();
      return 0;
    case WM_LBUTTONDOWN:
      SetFocus(hwnd_);
      SetCapture(hwnd_);
      dragX_ = GET_X_LPARAM(lParam);
      return 0;
    case WM_LBUTTONUP:
      ReleaseCapture();
      return 0;
    case WM_CAPTURECHANGED:
      dragX_.reset();
      return 0;
    case WM_MOUSEWHEEL: {
      POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ScreenToClient(hwnd_, &at);
      OnWheel(at.x, GET_WHEEL_DELTA_WPARAM(wParam));
      return 0;
    }
    case WM_CONTEXTMENU: {
      POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      // From the keyboard the menu opens at the window's centre.
      if (lParam == -1) {
        RECT client{};
        GetClientRect(hwnd_, &client);
        at = {client.right / 2, client.bottom / 2};
        ClientToScreen(hwnd_, &at);
      }
      OnContextMenu(at);
      return 0;
    }
    case WM_CLOSE:
      Close();
      return 0;
    case WM_DESTROY:
      // Also when the owner goes first and takes this window with it.
      loadNotices_ = nullptr;
      loader_.Cancel();
      RememberPlacement();
      KillTimer(hwnd_, kRepaintTimer);
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
      hwnd_ = nullptr;
      cursorX_.reset();
      dragX_.reset();
      trackingLeave_ = false;
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

}  // namespace velmar

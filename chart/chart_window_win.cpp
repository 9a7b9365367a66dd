#include "chart/chart_window_win.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "chart/lane_figures.h"
#include "chart/limit_marks.h"
#include "chart/placement.h"
#include "core/reply_fields.h"
#include "framework/clipboard_win.h"
#include "framework/dpi_win.h"
#include "framework/gdi_objects_win.h"

namespace velmar {

namespace {

constexpr wchar_t kClassName[] = L"VelmarLiveChart";
constexpr UINT kRepaintMs = 250;
// Just under the shortest interval between polls.
constexpr auto kRowRepaintGap = std::chrono::milliseconds(90);
// Texts that change with every row are redrawn at most this often.
constexpr auto kRowTextsPeriod = std::chrono::milliseconds(500);

PixelSize Scaled(PixelSize size, int dpi) { return {MulDiv(size.width, dpi, 96), MulDiv(size.height, dpi, 96)}; }

PixelRect ToPixelRect(const RECT& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }

MONITORINFO InfoOf(HMONITOR monitor) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  GetMonitorInfoW(monitor, &info);
  return info;
}

PixelRect WorkAreaOf(HMONITOR monitor) { return ToPixelRect(InfoOf(monitor).rcWork); }

// The display's frame period, for at most 60 mouse repaints a second.
UINT DisplayFrameMs(HWND window) {
  const WindowDc dc(window);
  const int hertz = dc.Get() ? GetDeviceCaps(dc.Get(), VREFRESH) : 0;
  return hertz > 1 && hertz < 60 ? static_cast<UINT>((1000 + hertz - 1) / hertz) : 16;
}

}  // namespace

ChartWindow::ChartWindow(HWND owner, Profile profile)
    : owner_(owner),
      settings_(std::move(profile)),
      chosenWindow_(settings_.ReadWindow()),
      choices_{settings_.ReadHiddenColumns(), settings_.ReadLaneKinds(), settings_.ReadStatistics()},
      loader_([this] { if (const HWND target = loadNotices_.load()) PostMessageW(target, kLogReadMessage, 0, 0); },
              // Reading a big file is never more urgent than the next poll.
              [] { SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_LOWEST); }) {
  view_.SetWindow(chosenWindow_);
}

ChartWindow::~ChartWindow() { Close(); }

void ChartWindow::Show() {
  if (!IsOpen()) return Create();
  if (IsIconic(Hwnd())) ShowWindow(Hwnd(), SW_RESTORE);
  SetForegroundWindow(Hwnd());
}

void ChartWindow::Close() {
  if (IsOpen()) DestroyWindow(Hwnd());
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
  // The chart alone is per-monitor aware; every size below is in the monitor's own pixels.
  const PerMonitorDpiScope aware;
  bool maximized = false;
  const PixelRect rect = InitialRect(maximized);
  // A DC of its own: drawing a row asks the window system for no DC and no visible region.
  if (!CreateOfClass(kClassName, CS_OWNDC, WS_OVERLAPPEDWINDOW, kCaption, {rect.left, rect.top, rect.right, rect.bottom},
                     owner_)) {
    return;
  }
  ShowWindow(Hwnd(), maximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
  UpdateWindow(Hwnd());
}

PixelRect ChartWindow::InitialRect(bool& maximized) const {
  if (const std::optional<ChartPlacement> remembered = settings_.ReadPlacement()) {
    const RECT wanted{remembered->normal.left, remembered->normal.top, remembered->normal.right,
                      remembered->normal.bottom};
    const HMONITOR monitor = MonitorFromRect(&wanted, MONITOR_DEFAULTTONEAREST);
    PixelRect normal = remembered->normal;
    // Kept at another DPI: the same size on the screen.
    if (const int dpi = MonitorDpi(monitor); remembered->dpi > 0 && remembered->dpi != dpi) {
      normal.right = normal.left + MulDiv(normal.Width(), dpi, remembered->dpi);
      normal.bottom = normal.top + MulDiv(normal.Height(), dpi, remembered->dpi);
    }
    maximized = remembered->maximized;
    return FitWithin(normal, WorkAreaOf(monitor));
  }
  // The monitor's DPI, not the owner's: an unaware owner reports 96 on any display.
  const HMONITOR monitor = MonitorFromWindow(owner_, MONITOR_DEFAULTTONEAREST);
  const PixelRect work = WorkAreaOf(monitor);
  const int dpi = MonitorDpi(monitor);
  RECT owner{work.left, work.top, work.left, work.top};
  POINT client{0, 0};
  if (owner_ && GetWindowRect(owner_, &owner)) ClientToScreen(owner_, &client);
  const int caption = std::max(0, static_cast<int>(client.y - owner.top));
  return PlaceBeside(ToPixelRect(owner), caption, work, Scaled(kChartDefaultSize, dpi),
                     Scaled(kChartMinimumSize, dpi));
}

void ChartWindow::RememberPlacement() const {
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  if (!GetWindowPlacement(Hwnd(), &placement)) return;
  PixelRect normal;
  if (IsIconic(Hwnd()) || IsZoomed(Hwnd())) {
    // Minimised, the monitor is the one of the restored place.
    const MONITORINFO monitor = InfoOf(MonitorFromWindow(Hwnd(), MONITOR_DEFAULTTONEAREST));
    normal = ScreenFromWorkspace(ToPixelRect(placement.rcNormalPosition), ToPixelRect(monitor.rcMonitor),
                                 ToPixelRect(monitor.rcWork));
  } else {
    RECT window{};
    GetWindowRect(Hwnd(), &window);
    normal = ToPixelRect(window);
  }
  settings_.WritePlacement({normal, IsZoomed(Hwnd()) != FALSE, WindowDpi(Hwnd())});
}

void ChartWindow::OnRunStarted(const RunHeader& header) {
  live_.Start(SplitTitles(header.columnTitles), header.started);
  ShowLiveRun();
}

void ChartWindow::OnRow(const LoggedRow& row) {
  live_.AddRow(row.elapsedMs, row.time, row.reply);
  if (log_) return;
  // Drawn right after its poll, when the next poll is furthest away. Rows closer together than
  // the shortest interval (a poll that catches up) wait for the timer.
  const auto now = std::chrono::steady_clock::now();
  if (IsOpen() && now - rowDrawn_ >= kRowRepaintGap) {
    rowDrawn_ = now;
    // A posted message comes after the poll and before any timer's.
    if (!rowDrawPosted_) rowDrawPosted_ = PostMessageW(Hwnd(), kRowDrawMessage, 0, 0) != FALSE;
  } else {
    dirty_ = true;
  }
}

ChartScene ChartWindow::BuildScene(int width, int height) const {
  const ChartRun& run = ShownRun();
  LaneAlarms alarms;
  if (alarms_) {
    alarms.limits = LimitsOfLanes(run, alarms_->Limits());
    // Alarms are the live run's; a log shows its limits only.
    for (const ChartRun::Lane& lane : run.Lanes()) {
      if (!log_ && alarms_->ColumnInAlarm(lane.column)) alarms.inAlarm.insert(lane.column);
    }
  }
  return BuildChartScene(run, view_, choices_,
                         {.width = width, .height = height, .dpi = dpi_, .cursorX = cursorX_,
                          .source = SourceText(), .previous = &lastLanes_, .alarms = &alarms});
}

// Straight onto the window, outside a paint cycle: of all the requests a paint makes to the
// window system (update region, caret, DC), a row's drawing makes none.
void ChartWindow::DrawRow() {
  rowDrawPosted_ = false;
  // Minimised, nothing shows: the paint on restoring catches up.
  if (IsIconic(Hwnd())) return;
  const WindowDc dc(Hwnd());
  if (dc.Get()) Render(dc.Get(), std::nullopt);
}

void ChartWindow::Render(HDC target, const std::optional<RECT>& damaged) {
  RECT client{};
  GetClientRect(Hwnd(), &client);
  ChartScene scene = BuildScene(client.right, client.bottom);
  const auto now = std::chrono::steady_clock::now();
  const bool refreshTexts = changes_ != changesDrawn_ || now - textsDrawn_ >= kRowTextsPeriod;
  if (refreshTexts) {
    changesDrawn_ = changes_;
    textsDrawn_ = now;
  }
  textsStale_ = !refreshTexts;
  if (const std::optional<std::vector<PixelRect>> changed =
          canvas_.Render(target, scene, client.right, client.bottom, refreshTexts)) {
    if (!damaged) {
      for (const PixelRect& part : *changed) canvas_.Show(target, part);
    } else {
      // A paint's DC reaches only the part Windows asked for: the rest goes through another.
      const PixelRect asked = ToPixelRect(*damaged);
      const bool inside = std::all_of(changed->begin(), changed->end(), [&](const PixelRect& part) {
        return part.left >= asked.left && part.top >= asked.top && part.right <= asked.right &&
               part.bottom <= asked.bottom;
      });
      canvas_.Show(target, asked);
      if (!inside) {
        const WindowDc whole(Hwnd());
        for (const PixelRect& part : *changed) canvas_.Show(whole.Get(), part);
      }
    }
  } else {
    canvas_.Paint(target, scene, client.right, client.bottom);
  }
  lastLayout_ = std::move(scene.layout);
  lastTime_ = scene.time;
  lastLanes_ = std::move(scene.lanes);
}

bool ChartWindow::CopyToClipboard() {
  if (!IsOpen()) return false;
  RECT client{};
  GetClientRect(Hwnd(), &client);
  const WindowDc windowDc(Hwnd());
  OffscreenBitmap offscreen(windowDc.Get(), std::max(1L, client.right), std::max(1L, client.bottom));
  if (!offscreen.Ready()) return false;
  canvas_.Paint(offscreen.Dc(), BuildScene(client.right, client.bottom), client.right, client.bottom);
  return PutBitmapOnClipboard(Hwnd(), UniqueBitmap(offscreen.ReleaseBitmap()));
}

bool ChartWindow::CopyFiguresToClipboard() {
  std::vector<ChartRun::Lane> lanes;
  for (const ChartRun::Lane& lane : ShownRun().Lanes()) {
    if (!choices_.hiddenColumns.contains(lane.column) && KindOf(ShownRun(), lane, choices_) == LaneKind::Analog) {
      lanes.push_back(lane);
    }
  }
  return PutTextOnClipboard(Hwnd(), FiguresTable(ShownRun(), lanes, view_.Visible(ShownRun().Extent())));
}

void ChartWindow::Invalidate() const {
  if (IsOpen()) InvalidateRect(Hwnd(), nullptr, FALSE);
}

void ChartWindow::Changed() {
  ++changes_;
  Invalidate();
}

bool ChartWindow::OnCreate() {
  dpi_ = WindowDpi(Hwnd());
  loadNotices_ = Hwnd();
  frameMs_ = DisplayFrameMs(Hwnd());
  SetTimer(Hwnd(), kRepaintTimer, kRepaintMs, nullptr);
  return true;
}

bool ChartWindow::OnTimer(UINT_PTR id) {
  if (id == kSoonTimer) {
    if (soonPending_) {
      soonPending_ = false;
      Invalidate();
    } else {
      KillTimer(Hwnd(), kSoonTimer);
      soonTimerRunning_ = false;
    }
    return true;
  }
  // Rows that came too close together, a log's progress, and texts held back are drawn now.
  const bool textsDue = textsStale_ && std::chrono::steady_clock::now() - textsDrawn_ >= kRowTextsPeriod;
  if (id == kRepaintTimer && (dirty_ || loader_.Busy() || textsDue)) {
    dirty_ = false;
    Invalidate();
  }
  return true;
}

bool ChartWindow::OnPaint() {
  // A poll that is due goes first: the dialog's timers never wait for a repaint.
  MSG due;
  if (PeekMessageW(&due, owner_, WM_TIMER, WM_TIMER, PM_NOREMOVE | PM_NOYIELD)) {
    ValidateRect(Hwnd(), nullptr);
    RepaintSoon();
    return true;
  }
  const PaintScope paint(Hwnd());
  if (paint.Dc()) Render(paint.Dc(), paint.Damaged());
  return true;
}

bool ChartWindow::OnSize(int, int) {
  Changed();
  return true;
}

bool ChartWindow::OnDpiChanged(const RECT& suggested) {
  dpi_ = WindowDpi(Hwnd());
  SetWindowPos(Hwnd(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  Changed();
  return true;
}

bool ChartWindow::OnClose() {
  Close();
  return true;
}

bool ChartWindow::OnDestroy() {
  // Also when the owner goes first and takes this window with it.
  loadNotices_ = nullptr;
  loader_.Cancel();
  RememberPlacement();
  KillTimer(Hwnd(), kRepaintTimer);
  KillTimer(Hwnd(), kSoonTimer);
  cursorX_.reset();
  dragX_.reset();
  trackingLeave_ = false;
  soonTimerRunning_ = false;
  soonPending_ = false;
  return true;
}

MessageResult ChartWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kLogReadMessage:
      OnLoaded();
      return 0;
    case kRowDrawMessage:
      DrawRow();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PRINTCLIENT: {
      RECT client{};
      GetClientRect(Hwnd(), &client);
      canvas_.Paint(reinterpret_cast<HDC>(wParam), BuildScene(client.right, client.bottom), client.right,
                    client.bottom);
      return 0;
    }
    case WM_GETMINMAXINFO: {
      const PixelSize minimum = Scaled(kChartMinimumSize, WindowDpi(Hwnd()));
      reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {minimum.width, minimum.height};
      return 0;
    }
    case WM_COPY:
      CopyToClipboard();
      return 0;
    case WM_CAPTURECHANGED:
      dragX_.reset();
      return 0;
    default:
      return std::nullopt;
  }
}

}  // namespace velmar

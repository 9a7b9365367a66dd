#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <span>
#include <utility>

#include "chart/chart_menu_win.h"
#include "chart/chart_window_win.h"

// The chart's keys, commands and mouse: what the user does to the view.
namespace velmar {

namespace {

constexpr double kKeyScrollSpans = 0.1;
constexpr double kWheelZoomStep = 0.8;

TimeWindow WindowOfCommand(UINT command) { return static_cast<TimeWindow>(command - kShowAll); }

bool KeyDown(int key) { return (GetKeyState(key) & 0x8000) != 0; }

}  // namespace

void ChartWindow::ChooseWindow(TimeWindow window) {
  chosenWindow_ = window;
  view_.SetWindow(window);
  if (!log_) settings_.WriteWindow(window);
}

void ChartWindow::ToggleLane(size_t column) {
  if (!choices_.hiddenColumns.erase(column)) choices_.hiddenColumns.insert(column);
  settings_.WriteHiddenColumns(choices_.hiddenColumns);
}

// The user's choice is kept by title, so it holds for that column in every later run.
void ChartWindow::ToggleKind(size_t column) {
  const ChartRun& run = ShownRun();
  const auto lane = std::find_if(run.Lanes().begin(), run.Lanes().end(),
                                 [column](const ChartRun::Lane& each) { return each.column == column; });
  if (lane == run.Lanes().end()) return;
  const bool strip = KindOf(run, *lane, choices_) == LaneKind::State;
  choices_.kindByTitle[run.Title(column)] = strip ? LaneKind::Analog : LaneKind::State;
  settings_.WriteLaneKinds(choices_.kindByTitle);
}

void ChartWindow::EditLimit(size_t column) {
  if (alarms_) alarms_->EditLimit(Hwnd(), ShownRun().Title(column));
}

void ChartWindow::ToggleStatistics() {
  choices_.statistics = !choices_.statistics;
  settings_.WriteStatistics(choices_.statistics);
}

bool ChartWindow::OnKeyDown(WPARAM key) {
  if (key == VK_ESCAPE && loader_.Busy()) {
    ShowLiveRun();
    return true;
  }
  static constexpr std::pair<WPARAM, UINT> kPlainKeys[] = {
      {'A', kShowAll},           {'1', kShowLastMinute},      {VK_NUMPAD1, kShowLastMinute},
      {'2', kShowLastTenMinutes}, {VK_NUMPAD2, kShowLastTenMinutes}, {'3', kShowLastHour},
      {VK_NUMPAD3, kShowLastHour}, {VK_END, kFollowNewest},    {VK_HOME, kShowStart},
      {VK_ADD, kZoomIn},          {VK_OEM_PLUS, kZoomIn},      {VK_SUBTRACT, kZoomOut},
      {VK_OEM_MINUS, kZoomOut},   {'S', kToggleStatistics}};
  static constexpr std::pair<WPARAM, UINT> kControlKeys[] = {{'C', kCopy}, {'O', kOpenLog}};
  static constexpr std::pair<WPARAM, UINT> kControlShiftKeys[] = {{'C', kCopyFigures}};
  const bool control = KeyDown(VK_CONTROL);
  if (!control && (key == VK_LEFT || key == VK_RIGHT)) {
    view_.Scroll(key == VK_LEFT ? -kKeyScrollSpans : kKeyScrollSpans, ShownRun().Extent());
    Changed();
    return true;
  }
  using KeyTable = std::span<const std::pair<WPARAM, UINT>>;
  const KeyTable keys = !control ? KeyTable(kPlainKeys)
                        : KeyDown(VK_SHIFT) ? KeyTable(kControlShiftKeys)
                                            : KeyTable(kControlKeys);
  for (const auto& [bound, command] : keys) {
    if (bound == key) {
      Execute(command);
      return true;
    }
  }
  return false;
}

// The context menu's commands, also when they come from elsewhere (an accelerator, a script).
bool ChartWindow::OnCommand(UINT id, UINT, HWND) {
  Execute(id);
  return true;
}

void ChartWindow::Execute(UINT command) {
  const RunExtent extent = ShownRun().Extent();
  if (command >= kShowAll && command <= kShowLastHour) ChooseWindow(WindowOfCommand(command));
  if (command == kFollowNewest) view_.FollowNewest();
  if (command == kShowStart) view_.ShowStart(extent);
  if (command == kZoomIn || command == kZoomOut) view_.Zoom(command == kZoomIn ? 0.5 : 2, 0.5, extent);
  if (command == kCopy) CopyToClipboard();
  if (command == kCopyFigures) CopyFiguresToClipboard();
  if (command == kToggleStatistics) ToggleStatistics();
  if (command == kOpenLog) OpenLog();
  if (command == kShowLive) ShowLiveRun();
  if (command == kShowAllLanes) {
    choices_.hiddenColumns.clear();
    settings_.WriteHiddenColumns(choices_.hiddenColumns);
  }
  if (command >= kFirstLane && command <= kLastLane) ToggleLane(command - kFirstLane);
  if (command >= kFirstKind && command <= kLastKind) ToggleKind(command - kFirstKind);
  if (command >= kFirstLimits && command <= kLastLimits) EditLimit(command - kFirstLimits);
  Changed();
}

bool ChartWindow::OnContextMenu(std::optional<POINT> screen) {
  const ChartRun& run = ShownRun();
  ChartMenuState state{.window = view_.Window(),
                       .following = view_.Following(),
                       .showingLog = log_ != nullptr,
                       .statistics = choices_.statistics,
                       .limitsOffered = alarms_ != nullptr,
                       .lanes = {},
                       .hiddenColumns = choices_.hiddenColumns,
                       .pointed = std::nullopt};
  for (const ChartRun::Lane& lane : run.Lanes()) state.lanes.emplace_back(lane.column, run.Title(lane.column));
  POINT at{};
  if (screen) {
    at = *screen;
    POINT client = at;
    ScreenToClient(Hwnd(), &client);
    // The lane under the mouse has entries of its own.
    if (const std::optional<size_t> index = lastLayout_.LaneAt(client.y); index && *index < lastLanes_.size()) {
      const SceneLane& lane = lastLanes_[*index];
      state.pointed = PointedLane{lane.column, run.Title(lane.column), lane.kind == LaneKind::State};
    }
  } else {
    // From the keyboard the menu opens at the window's centre.
    RECT client{};
    GetClientRect(Hwnd(), &client);
    at = {client.right / 2, client.bottom / 2};
    ClientToScreen(Hwnd(), &at);
  }
  if (const UINT command = TrackChartMenu(Hwnd(), at, state)) Execute(command);
  return true;
}

void ChartWindow::RepaintSoon() {
  if (soonTimerRunning_) {
    soonPending_ = true;
    return;
  }
  Invalidate();
  soonTimerRunning_ = SetTimer(Hwnd(), kSoonTimer, frameMs_, nullptr) != 0;
}

bool ChartWindow::OnMouseMove(POINT at) {
  if (!trackingLeave_) {
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof track;
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = Hwnd();
    trackingLeave_ = TrackMouseEvent(&track) != FALSE;
  }
  if (dragX_ && at.x != *dragX_) {
    view_.Scroll(lastTime_.Fraction(*dragX_) - lastTime_.Fraction(at.x), ShownRun().Extent());
    dragX_ = at.x;
    ++changes_;
  }
  cursorX_ = at.x;
  RepaintSoon();
  return true;
}

bool ChartWindow::OnMouseLeave() {
  trackingLeave_ = false;
  cursorX_.reset();
  Invalidate();
  return true;
}

bool ChartWindow::OnLeftButtonDown(POINT at) {
  SetFocus(Hwnd());
  SetCapture(Hwnd());
  dragX_ = at.x;
  return true;
}

bool ChartWindow::OnLeftButtonUp(POINT) {
  ReleaseCapture();
  return true;
}

bool ChartWindow::OnMouseWheel(POINT at, int delta) {
  view_.Zoom(std::pow(kWheelZoomStep, delta / static_cast<double>(WHEEL_DELTA)), lastTime_.Fraction(at.x),
             ShownRun().Extent());
  Changed();
  return true;
}

}  // namespace velmar

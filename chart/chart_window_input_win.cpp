#include "chart/chart_window_win.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <span>
#include <utility>

#include "chart/chart_menu_win.h"
#include "chart/run_choice.h"
#include "chart/run_list_win.h"
#include "framework/ansi_text_win.h"

// The chart's keys, commands and mouse: what the user does to the view.
namespace velmar {

namespace {

constexpr double kKeyScrollSpans = 0.1;
constexpr double kWheelZoomStep = 0.8;

TimeWindow WindowOfCommand(UINT command) { return static_cast<TimeWindow>(command - kShowAll); }

bool ControlDown() { return (GetKeyState(VK_CONTROL) & 0x8000) != 0; }

}  // namespace

double ChartWindow::PlotFraction(int x) const {
  const int width = std::max(1, lastLayout_.PlotRight() - lastLayout_.PlotLeft());
  return static_cast<double>(x - lastLayout_.PlotLeft()) / width;
}

void ChartWindow::ChooseWindow(TimeWindow window) {
  chosenWindow_ = window;
  view_.SetWindow(window);
  if (!log_) settings_.WriteWindow(window);
}

void ChartWindow::ToggleLane(size_t column) {
  if (!hiddenColumns_.erase(column)) hiddenColumns_.insert(column);
  settings_.WriteHiddenColumns(hiddenColumns_);
}

bool ChartWindow::OnKey(WPARAM key) {
  if (key == VK_ESCAPE && loader_.Busy()) {
    ShowLiveRun();
    return true;
  }
  static constexpr std::pair<WPARAM, UINT> kPlainKeys[] = {
      {'A', kShowAll},           {'1', kShowLastMinute},      {VK_NUMPAD1, kShowLastMinute},
      {'2', kShowLastTenMinutes}, {VK_NUMPAD2, kShowLastTenMinutes}, {'3', kShowLastHour},
      {VK_NUMPAD3, kShowLastHour}, {VK_END, kFollowNewest},    {VK_HOME, kShowStart},
      {VK_ADD, kZoomIn},          {VK_OEM_PLUS, kZoomIn},      {VK_SUBTRACT, kZoomOut},
      {VK_OEM_MINUS, kZoomOut}};
  static constexpr std::pair<WPARAM, UINT> kControlKeys[] = {{'C', kCopy}, {'O', kOpenLog}};
  if (!ControlDown() && (key == VK_LEFT || key == VK_RIGHT)) {
    view_.Scroll(key == VK_LEFT ? -kKeyScrollSpans : kKeyScrollSpans, ShownRun().Extent());
    Invalidate();
    return true;
  }
  using KeyTable = std::span<const std::pair<WPARAM, UINT>>;
  const KeyTable keys = ControlDown() ? KeyTable(kControlKeys) : KeyTable(kPlainKeys);
  for (const auto& [bound, command] : keys) {
    if (bound == key) {
      Execute(command);
      return true;
    }
  }
  return false;
}

void ChartWindow::Execute(UINT command) {
  const RunExtent extent = ShownRun().Extent();
  if (command >= kShowAll && command <= kShowLastHour) ChooseWindow(WindowOfCommand(command));
  if (command == kFollowNewest) view_.FollowNewest();
  if (command == kShowStart) view_.ShowStart(extent);
  if (command == kZoomIn || command == kZoomOut) view_.Zoom(command == kZoomIn ? 0.5 : 2, 0.5, extent);
  if (command == kCopy) CopyToClipboard();
  if (command == kOpenLog) OpenLog();
  if (command == kShowLive) ShowLiveRun();
  if (command == kShowAllLanes) {
    hiddenColumns_.clear();
    settings_.WriteHiddenColumns(hiddenColumns_);
  }
  if (command >= kFirstLane && command <= kLastLane) ToggleLane(command - kFirstLane);
  Invalidate();
}

void ChartWindow::OnContextMenu(POINT screen) {
  ChartMenuState state{.window = view_.Window(),
                       .following = view_.Following(),
                       .showingLog = log_ != nullptr,
                       .lanes = {},
                       .hiddenColumns = hiddenColumns_};
  for (const ChartRun::Lane& lane : ShownRun().Lanes()) state.lanes.emplace_back(lane.column, ShownRun().Title(lane.column));
  if (const UINT command = TrackChartMenu(hwnd_, screen, state)) Execute(command);
}

void ChartWindow::OpenLog() {
  const std::wstring path = AskForLogFile(hwnd_);
  if (path.empty()) return;
  if (!StartLoad(path, std::nullopt, true)) {
    MessageBoxW(hwnd_, (L"Cannot read " + path + L".").c_str(), kCaption, MB_OK | MB_ICONEXCLAMATION);
  }
}

std::optional<size_t> ChartWindow::ChooseRun(const std::vector<LogRun>& runs) {
  if (runs.size() == 1) return 0;
  std::vector<RunChoice> choices;
  for (size_t i = 0; i < runs.size(); ++i) choices.push_back(DescribeRun(runs[i], i, runs.size(), FromAnsi(runs[i].stamp)));
  return runs.size() <= kRunsInMenu ? PickLogRun(hwnd_, choices) : PickRunFromList(hwnd_, choices);
}

void ChartWindow::OnMouseMove(int x) {
  if (!trackingLeave_) {
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof track;
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = hwnd_;
    trackingLeave_ = TrackMouseEvent(&track) != FALSE;
  }
  if (dragX_ && x != *dragX_) {
    view_.Scroll(PlotFraction(*dragX_) - PlotFraction(x), ShownRun().Extent());
    dragX_ = x;
  }
  cursorX_ = x;
  Invalidate();
}

void ChartWindow::OnWheel(int x, int delta) {
  view_.Zoom(std::pow(kWheelZoomStep, delta / static_cast<double>(WHEEL_DELTA)), PlotFraction(x),
             ShownRun().Extent());
  Invalidate();
}

}  // namespace velmar

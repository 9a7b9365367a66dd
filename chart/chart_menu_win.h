#pragma once
#include <windows.h>

#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "chart/chart_view.h"
#include "chart/run_choice.h"

namespace velmar {

enum ChartCommand : UINT {
  kShowAll = 100,
  kShowLastMinute,
  kShowLastTenMinutes,
  kShowLastHour,
  kFollowNewest,
  kShowStart,
  kZoomIn,
  kZoomOut,
  kCopy,
  kOpenLog,
  kShowLive,
  kShowAllLanes,
  kToggleStatistics,
  kCopyFigures,
  kFirstLane = 1000,  // + the lane's 0-based column
  kLastLane = 4999,
  kFirstKind = 5000,  // strip or line: + the lane's 0-based column
  kLastKind = 8999,
  kFirstLimits = 9000,  // "Limits for <title>...": + the lane's 0-based column
  kLastLimits = 12999,
};

// The lane the menu was opened over.
struct PointedLane {
  size_t column = 0;
  std::wstring title;
  bool strip = false;
};

struct ChartMenuState {
  TimeWindow window = TimeWindow::All;
  bool following = true;
  bool showingLog = false;
  bool statistics = false;
  bool limitsOffered = false;
  std::vector<std::pair<size_t, std::wstring>> lanes;  // column and title
  std::set<size_t> hiddenColumns;
  std::optional<PointedLane> pointed;
};

// The chart's context menu, which also lists the keys; returns the command chosen, or 0.
UINT TrackChartMenu(HWND window, POINT screen, const ChartMenuState& state);

// Empty when the user cancels.
std::wstring AskForLogFile(HWND window);

// The run to show, picked from a menu of them with the newest first and marked as the
// default; none when the menu is dismissed.
std::optional<size_t> PickLogRun(HWND window, const std::vector<RunChoice>& runs);

}  // namespace velmar

#pragma once
#include <map>
#include <optional>
#include <set>
#include <string>

#include "chart/chart_run.h"
#include "chart/chart_view.h"
#include "chart/pixel_rect.h"
#include "settings/profile_win.h"

namespace velmar {

struct ChartPlacement {
  PixelRect normal;  // the restored window's rectangle, in screen coordinates
  bool maximized = false;
  int dpi = 0;  // what the window was drawn at; 0 where that was not kept
};

// What the chart window remembers, in its own "Chart" key beside the application's settings.
class ChartSettings {
 public:
  explicit ChartSettings(Profile profile);

  std::optional<ChartPlacement> ReadPlacement() const;
  void WritePlacement(const ChartPlacement& placement) const;
  TimeWindow ReadWindow() const;
  void WriteWindow(TimeWindow window) const;
  // 0-based columns; kept as text of 1-based numbers, e.g. "2,5".
  std::set<size_t> ReadHiddenColumns() const;
  void WriteHiddenColumns(const std::set<size_t>& columns) const;
  bool ReadStatistics() const;
  void WriteStatistics(bool shown) const;
  // The user's choice of strip or line, by column title.
  std::map<std::wstring, LaneKind> ReadLaneKinds() const;
  void WriteLaneKinds(const std::map<std::wstring, LaneKind>& kinds) const;
  // Whether the window was open when the program last ended.
  bool ReadOpenAtEnd() const;
  void WriteOpenAtEnd(bool open) const;

 private:
  Profile profile_;
};

}  // namespace velmar

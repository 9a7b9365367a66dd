#pragma once
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "chart/chart_layout.h"
#include "chart/chart_run.h"
#include "chart/chart_view.h"

namespace velmar {

struct ScenePoint {
  int x = 0;
  int y = 0;
};

struct SceneLine {
  ScenePoint from;
  ScenePoint to;
  uint32_t color = 0;  // 0xRRGGBB
};

struct ScenePolyline {
  size_t lane = 0;
  uint32_t color = 0;
  std::vector<ScenePoint> points;
};

enum class TextAlign { Left, Center, Right };
enum class TextStyle { Normal, Bold, Boxed };

// `y` is the top of the text; `x` is its left, centre or right as aligned.
struct SceneText {
  int x = 0;
  int y = 0;
  std::wstring text;
  TextAlign align = TextAlign::Left;
  TextStyle style = TextStyle::Normal;
  uint32_t color = 0;
};

struct SceneLane {
  size_t column = 0;
  ValueScale scale;
};

// Everything the painter draws, in client pixels, in drawing order: grid and ticks, frames,
// the series' lines (clipped to their plots, split wherever the data has a gap), texts, and
// the cursor.
struct ChartScene {
  static constexpr uint32_t kBackground = 0xFFFFFF;

  ChartLayout layout;
  TimeRange visible;
  std::vector<SceneLane> lanes;
  std::vector<SceneLine> grid;
  std::vector<PixelRect> frames;
  std::vector<ScenePolyline> polylines;
  std::vector<SceneText> texts;
  std::optional<SceneLine> cursor;

  // The elapsed time at a client x, on the plots' time axis.
  double TimeAtX(double x) const;
  double XOfTime(double timeMs) const;
};

struct SceneRequest {
  int width = 0;
  int height = 0;
  int dpi = 96;
  std::optional<int> cursorX;
  std::wstring source;  // what is shown when it is not the live run, e.g. a log file's name
};

uint32_t LaneColor(size_t column);

ChartScene BuildChartScene(const ChartRun& run, const ChartView& view, const std::set<size_t>& hiddenColumns,
                           const SceneRequest& request);

}  // namespace velmar

#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "chart/chart_layout.h"
#include "chart/chart_run.h"
#include "chart/chart_view.h"
#include "chart/plot_transform.h"
#include "core/column_limits.h"

namespace velmar {

struct ScenePoint {
  int x = 0;
  int y = 0;
  bool operator==(const ScenePoint&) const = default;
};

struct SceneLine {
  ScenePoint from;
  ScenePoint to;
  uint32_t color = 0;  // 0xRRGGBB
  bool dashed = false;
  bool operator==(const SceneLine&) const = default;
};

struct SceneFill {
  PixelRect rect;
  uint32_t color = 0;
  bool operator==(const SceneFill&) const = default;
};

struct ScenePolyline {
  size_t lane = 0;
  uint32_t color = 0;
  std::vector<ScenePoint> points;
  bool operator==(const ScenePolyline&) const = default;
};

enum class TextAlign { Left, Center, Right };
enum class TextStyle { Normal, Bold, Boxed };

// `y` is the top of the text; `x` is its left, centre or right as aligned. A text wider than
// `maxWidth` (when not 0) ends in an ellipsis.
struct SceneText {
  int x = 0;
  int y = 0;
  std::wstring text;
  TextAlign align = TextAlign::Left;
  TextStyle style = TextStyle::Normal;
  uint32_t color = 0;
  int maxWidth = 0;
  bool operator==(const SceneText&) const = default;
};

// Drawn in this order: fills, lines, frames (a pixel outside their rectangles), texts.
struct SceneLayer {
  std::vector<SceneFill> fills;
  std::vector<SceneLine> lines;
  std::vector<PixelRect> frames;
  std::vector<SceneText> texts;
  bool operator==(const SceneLayer&) const = default;
};

struct SceneLane {
  size_t column = 0;
  LaneKind kind = LaneKind::Analog;
  ValueTransform values;  // an analog lane's; a strip's plot only
};

// What the user chose about the lanes, kept in the "Chart" key.
struct LaneChoices {
  std::set<size_t> hiddenColumns;
  std::map<std::wstring, LaneKind> kindByTitle;  // where the user chose; otherwise the run's guess
  bool statistics = false;
};

// Everything the painter draws, in client pixels, in layers by how often they change, so what
// did not change is not drawn again:
// - `frame`: frames, value grid, ticks and their labels, titles; when the scales or size change;
// - `rowTexts`: texts that change with every row (header, newest values, statistics, time
//   labels), all inside `rowTextAreas`, which the window refreshes at most twice a second;
// - over them, in the plots: the state lanes' `strips` and the analog lanes' limits (the
//   stretches outside shaded, the limits dashed), the time grid, the series' lines
//   (clipped to their plots, split where the data has a gap), ordered left to right, so a new
//   row changes only their right ends; and the readout under the mouse.
struct ChartScene {
  static constexpr uint32_t kBackground = 0xFFFFFF;

  ChartLayout layout;
  TimeTransform time;
  std::vector<SceneLane> lanes;
  SceneLayer frame;
  SceneLayer rowTexts;
  std::vector<PixelRect> rowTextAreas;
  SceneLayer strips;
  std::vector<SceneLine> timeGrid;
  std::vector<ScenePolyline> polylines;
  std::optional<SceneLine> cursor;
  SceneLayer readout;
};

// What the chart shows of the alarms: the bands the lanes should stay in, by column, and the
// columns in alarm now.
struct LaneAlarms {
  std::map<size_t, ColumnLimit> limits;
  std::set<size_t> inAlarm;
};

struct SceneRequest {
  int width = 0;
  int height = 0;
  int dpi = 96;
  std::optional<int> cursorX;
  std::wstring source;  // what is shown when it is not the live run, e.g. a log file's name
  // The lanes of the scene drawn before: a lane whose values still fit its scale keeps it, so
  // the scales do not move with every new extreme.
  const std::vector<SceneLane>* previous = nullptr;
  const LaneAlarms* alarms = nullptr;
};

uint32_t LaneColor(size_t column);
LaneKind KindOf(const ChartRun& run, const ChartRun::Lane& lane, const LaneChoices& choices);

ChartScene BuildChartScene(const ChartRun& run, const ChartView& view, const LaneChoices& choices,
                           const SceneRequest& request);

}  // namespace velmar

#include "chart/chart_scene.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "chart/lane_figures.h"
#include "chart/lane_lines.h"
#include "chart/limit_marks.h"
#include "chart/state_strips.h"
#include "chart/time_labels.h"
#include "core/reply_fields.h"

namespace velmar {

namespace {

constexpr uint32_t kGridColor = 0xE4E4E4;
constexpr uint32_t kFrameColor = 0xA0A0A0;
constexpr uint32_t kTextColor = 0x202020;
constexpr uint32_t kMutedTextColor = 0x707070;
constexpr uint32_t kCursorColor = 0x505050;
constexpr double kTimeLabelSpacingPx = 96;
constexpr double kTextGapPx = 4;
constexpr double kLabelGapPx = 2;
constexpr double kReadoutFlipPx = 110;
// Of the values' span, beyond the side they outgrew.
constexpr double kGrowthRoom = 0.25;
constexpr wchar_t kNoValue[] = L"\u2013";
constexpr wchar_t kHint[] = L"Right-click: menu";
// A non-zero value in a lane whose title holds this is an error.
constexpr wchar_t kErrorTitle[] = L"Err";

const wchar_t* WindowName(TimeWindow window) {
  switch (window) {
    case TimeWindow::LastMinute:
      return L"Last 1 min";
    case TimeWindow::LastTenMinutes:
      return L"Last 10 min";
    case TimeWindow::LastHour:
      return L"Last 1 h";
    case TimeWindow::All:
      break;
  }
  return L"All";
}

std::wstring ValueText(double value) { return IsGap(value) ? kNoValue : FormatValue(value); }

// The digits the instrument wrote are its resolution: "25.000" stays so. A number is ASCII.
std::wstring NewestText(const ChartRun& run, size_t series) {
  const std::string_view text = run.LatestText(series);
  return text.empty() ? kNoValue : std::wstring(text.begin(), text.end());
}

// The top of a text on the line that starts at `top`.
int TextTop(const ChartLayout& layout, int top) { return top + (layout.lineHeight - layout.fontHeight) / 2; }

void AddHeader(ChartScene& scene, const ChartRun& run, const ChartView& view, const LaneChoices& choices,
               const SceneRequest& request) {
  const ChartLayout& layout = scene.layout;
  const int y = TextTop(layout, layout.header.top);
  std::wstring status = request.source.empty() ? L"" : request.source + L"  |  ";
  status += WindowName(view.Window());
  status += view.Following() ? L", following the newest row" : L": zoomed or scrolled, End follows again";
  if (choices.statistics && !layout.figuresShown && !layout.lanes.empty()) {
    status += L"; a wider window shows the statistics";
  }
  int startedWidth = 0;
  if (run.StartTime().year > 0) {
    std::wstring started = L"Started " + FormatDateTime(run.StartTime());
    startedWidth = layout.TextWidth(started.size()) + 2 * layout.Scaled(kTextGapPx);
    scene.frame.texts.push_back(
        {layout.header.right, y, std::move(started), TextAlign::Right, TextStyle::Normal, kMutedTextColor, 0});
  }
  scene.rowTexts.texts.push_back({layout.header.left, y, std::move(status), TextAlign::Left, TextStyle::Normal,
                                  kTextColor, std::max(1, layout.header.Width() - startedWidth)});
  scene.rowTextAreas.push_back(layout.header);
}

// Every lane's title is written here, in the lane's colour unless told otherwise.
void AddLaneTitle(ChartScene& scene, size_t laneIndex, std::wstring title, uint32_t color) {
  const PixelRect& place = scene.layout.lanes[laneIndex].title;
  scene.frame.texts.push_back({place.left, TextTop(scene.layout, place.top), std::move(title), TextAlign::Left,
                               TextStyle::Bold, color, place.Width()});
}

// The visible values' scale, or the one drawn before while the values still fit it.
ValueScale ScaleFor(const ChartLayout& layout, const PixelRect& plot, const Decimation& decimation,
                    double visibleEndMs, size_t series, size_t column, const std::vector<SceneLane>* previous) {
  double low = std::numeric_limits<double>::infinity();
  double high = -low;
  // The newest row, at the right edge itself, counts too.
  const bool edgeRow = decimation.Times(decimation.width).first <= visibleEndMs;
  for (int x = 0; x < decimation.width + (edgeRow ? 1 : 0); ++x) {
    const M4& block = decimation.At(series, x);
    if (!block.HasValue()) continue;
    low = std::min(low, block.min);
    high = std::max(high, block.max);
  }
  double lowEnd = low;
  double highEnd = high;
  if (previous && low <= high) {
    for (const SceneLane& before : *previous) {
      if (before.column != column || before.kind != LaneKind::Analog || before.values.Plot().Height() != plot.Height()) {
        continue;
      }
      const ValueScale& scale = before.values.Scale();
      if (scale.StillFits(low, high)) return scale;
      // Values that outgrow the scale get room to grow on in the next one.
      const double room = (high * 0.5 - low * 0.5) * 2 * kGrowthRoom;
      if (low < scale.low) lowEnd = low - room;
      if (high > scale.high) highEnd = high + room;
    }
  }
  ValueScale scale = ChooseValueScale(lowEnd, highEnd, layout.ValueTicks(plot));
  if (std::isfinite(scale.low) && std::isfinite(scale.high)) {
    scale.fitMin = low;
    scale.fitMax = high;
  }
  return scale;
}

// A lane in alarm has its title and newest value in red.
uint32_t TitleColor(const SceneRequest& request, size_t column) {
  return request.alarms && request.alarms->inAlarm.contains(column) ? kAlarmColor : LaneColor(column);
}

const ColumnLimit* LimitOf(const SceneRequest& request, size_t column) {
  if (!request.alarms) return nullptr;
  const auto found = request.alarms->limits.find(column);
  return found == request.alarms->limits.end() ? nullptr : &found->second;
}

void AddAnalogLane(ChartScene& scene, const ChartRun& run, const Decimation& decimation, const ChartRun::Lane& lane,
                   size_t laneIndex, const SceneRequest& request, const RangeFigures* figures) {
  const ChartLayout& layout = scene.layout;
  const LaneLayout& place = layout.lanes[laneIndex];
  const uint32_t color = LaneColor(lane.column);
  const uint32_t titleColor = TitleColor(request, lane.column);
  const ValueTransform values{place.plot, ScaleFor(layout, place.plot, decimation, scene.time.Visible().endMs,
                                                   lane.series, lane.column, request.previous)};
  scene.lanes.push_back({lane.column, LaneKind::Analog, values});
  const int labelRight = place.plot.left - layout.tickLength - layout.Scaled(kLabelGapPx);
  for (const double tick : values.Scale().ticks) {
    const int y = static_cast<int>(std::lround(values.Y(tick)));
    scene.frame.lines.push_back({{place.plot.left, y}, {place.plot.right, y}, kGridColor});
    scene.frame.lines.push_back({{place.plot.left - layout.tickLength, y}, {place.plot.left, y}, kFrameColor});
    scene.frame.texts.push_back({labelRight, y - layout.fontHeight / 2, FormatTick(tick, values.Scale()),
                                 TextAlign::Right, TextStyle::Normal, kTextColor, 0});
  }
  scene.frame.frames.push_back(place.plot);
  AddLaneTitle(scene, laneIndex, run.Title(lane.column), titleColor);
  if (place.title.Height() >= 2 * layout.lineHeight) {
    const int top = place.title.top + layout.lineHeight;
    scene.rowTexts.texts.push_back({place.title.left, TextTop(layout, top), NewestText(run, lane.series),
                                    TextAlign::Left, TextStyle::Bold, titleColor, place.title.Width()});
    scene.rowTextAreas.push_back({place.title.left, top, place.title.right, top + layout.lineHeight});
  }
  if (const ColumnLimit* limit = LimitOf(request, lane.column)) {
    AddLimitMarks(*limit, scene.time, values, decimation, lane.series, scene.strips);
  }
  AddLaneLines(scene.time, values, decimation, lane.series, laneIndex, color, scene.polylines);
  if (!figures || place.figures.Empty()) return;
  const std::vector<std::wstring> lines = FigureLines(figures->series[lane.series], figures->approximate);
  const PixelRect& area = place.figures;
  for (size_t k = 0; k < lines.size() && static_cast<int>(k + 1) * layout.lineHeight <= area.Height(); ++k) {
    scene.rowTexts.texts.push_back({area.left, TextTop(layout, area.top + static_cast<int>(k) * layout.lineHeight),
                                    lines[k], TextAlign::Left, TextStyle::Normal, kTextColor, area.Width()});
  }
  scene.rowTextAreas.push_back(area);
}

void AddStripLane(ChartScene& scene, const ChartRun& run, const Decimation& decimation, const ChartRun::Lane& lane,
                  size_t laneIndex, const SceneRequest& request) {
  const PixelRect& plot = scene.layout.lanes[laneIndex].plot;
  scene.lanes.push_back({lane.column, LaneKind::State, {plot, {}}});
  scene.frame.frames.push_back(plot);
  const std::wstring title = run.Title(lane.column);
  AddLaneTitle(scene, laneIndex, title, TitleColor(request, lane.column));
  AddStrip(scene.layout, plot, scene.time, run.Extent(), decimation, lane.series,
           title.find(kErrorTitle) != std::wstring::npos, scene.strips);
}

void AddTimeAxis(ChartScene& scene) {
  const ChartLayout& layout = scene.layout;
  const int width = layout.PlotRight() - layout.PlotLeft();
  const int maxTicks = std::max(1, width / std::max(1, layout.Scaled(kTimeLabelSpacingPx)));
  const TimeRange& visible = scene.time.Visible();
  const TimeTicks ticks = ChooseTimeTicks(visible.startMs, visible.endMs, maxTicks);
  const int axisTop = layout.lanes.back().plot.bottom;
  for (const double tick : ticks.ticksMs) {
    const int x = static_cast<int>(std::lround(scene.time.X(tick)));
    if (!scene.time.Inside(x)) continue;
    for (const LaneLayout& lane : layout.lanes) {
      if (!lane.strip) scene.timeGrid.push_back({{x, lane.plot.top}, {x, lane.plot.bottom}, kGridColor});
    }
    scene.timeGrid.push_back({{x, axisTop}, {x, axisTop + layout.tickLength}, kFrameColor});
    scene.rowTexts.texts.push_back({x, TextTop(layout, layout.timeAxis.top),
                                    FormatElapsed(tick, ticks.style, ticks.decimals), TextAlign::Center,
                                    TextStyle::Normal, kTextColor, 0});
  }
  // The labels centred on the ticks at the plots' edges reach out beside them.
  scene.rowTextAreas.push_back({layout.hint.right, layout.timeAxis.top, layout.header.right, layout.timeAxis.bottom});
  scene.frame.texts.push_back({layout.hint.left, TextTop(layout, layout.hint.top), kHint, TextAlign::Left,
                               TextStyle::Normal, kMutedTextColor, layout.hint.Width()});
}

void AddReadout(ChartScene& scene, const ChartRun& run, const std::vector<ChartRun::Lane>& lanes, int cursorX) {
  const ChartLayout& layout = scene.layout;
  if (!scene.time.Inside(cursorX)) return;
  const std::optional<NearestSample> sample = run.Store().Nearest(scene.time.TimeAt(cursorX + 0.5));
  if (!sample) return;
  int x = static_cast<int>(std::lround(scene.time.X(static_cast<double>(sample->timeMs))));
  if (!scene.time.Inside(x)) x = cursorX;
  scene.cursor = SceneLine{{x, layout.lanes.front().plot.top}, {x, layout.lanes.back().plot.bottom}, kCursorColor};

  const LocalDateTime wallClock = run.ClockAt(sample->timeMs);
  const TimeRange& visible = scene.time.Visible();
  std::wstring time = sample->folded ? L"\u2248 " : L"";
  time += FormatElapsed(static_cast<double>(sample->timeMs), StyleFor(visible.startMs, visible.endMs), 3) + L"  " +
          (SameDay(wallClock, run.StartTime()) ? FormatClock(wallClock) : FormatDateTime(wallClock));
  // The axis labels the readout would half cover give way to it: their row is cleared around it.
  const int clearance = layout.TextWidth(time.size() + 8) / 2;
  scene.readout.fills.push_back({{std::max(layout.hint.right, x - clearance), layout.timeAxis.top,
                                  std::min(layout.header.right, x + clearance), layout.timeAxis.bottom},
                                 ChartScene::kBackground});
  scene.readout.texts.push_back({x, TextTop(layout, layout.timeAxis.top), std::move(time), TextAlign::Center,
                                 TextStyle::Boxed, kTextColor, 0});

  const bool leftOfCursor = x > layout.PlotRight() - layout.Scaled(kReadoutFlipPx);
  const int gap = layout.Scaled(kTextGapPx);
  for (size_t i = 0; i < lanes.size(); ++i) {
    const PixelRect& plot = layout.lanes[i].plot;
    const int y = layout.lanes[i].strip ? plot.top + (plot.Height() - layout.fontHeight) / 2 : plot.top + gap;
    scene.readout.texts.push_back({leftOfCursor ? x - gap : x + gap, y, ValueText(sample->values[lanes[i].series]),
                                   leftOfCursor ? TextAlign::Right : TextAlign::Left, TextStyle::Boxed,
                                   LaneColor(lanes[i].column), 0});
  }
}

}  // namespace

uint32_t LaneColor(size_t column) {
  static constexpr uint32_t kPalette[] = {0x1F77B4, 0xD62728, 0x2CA02C, 0xFF7F0E, 0x9467BD,
                                          0x8C564B, 0xE377C2, 0x17BECF, 0xBCBD22, 0x7F7F7F};
  return kPalette[column % std::size(kPalette)];
}

LaneKind KindOf(const ChartRun& run, const ChartRun::Lane& lane, const LaneChoices& choices) {
  if (const auto chosen = choices.kindByTitle.find(run.Title(lane.column)); chosen != choices.kindByTitle.end()) {
    return chosen->second;
  }
  return run.LooksLikeState(lane.series) ? LaneKind::State : LaneKind::Analog;
}

ChartScene BuildChartScene(const ChartRun& run, const ChartView& view, const LaneChoices& choices,
                           const SceneRequest& request) {
  std::vector<ChartRun::Lane> lanes;
  std::vector<bool> strips;
  for (const ChartRun::Lane& lane : run.Lanes()) {
    if (choices.hiddenColumns.contains(lane.column)) continue;
    lanes.push_back(lane);
    strips.push_back(KindOf(run, lane, choices) == LaneKind::State);
  }
  ChartScene scene;
  scene.layout = ComputeChartLayout(request.width, request.height, request.dpi, strips, choices.statistics);
  scene.time = scene.layout.Time(view.Visible(run.Extent()));
  AddHeader(scene, run, view, choices, request);
  if (lanes.empty()) {
    const wchar_t* message = run.Store().RowCount() == 0 ? L"Waiting for the first row"
                             : run.Lanes().empty()       ? L"No column has held a number yet"
                                                         : L"Every lane is hidden: right-click to show them";
    const ChartLayout& layout = scene.layout;
    const int top = (layout.header.bottom + layout.timeAxis.top) / 2 - layout.lineHeight / 2;
    scene.rowTexts.texts.push_back({(layout.header.left + layout.header.right) / 2, TextTop(layout, top), message,
                                    TextAlign::Center, TextStyle::Normal, kMutedTextColor, 0});
    scene.rowTextAreas.push_back({layout.header.left, top, layout.header.right, top + layout.lineHeight});
    return scene;
  }
  const TimeRange& visible = scene.time.Visible();
  Decimation decimation;
  run.Store().Decimate(visible.startMs, visible.endMs, scene.layout.PlotRight() - scene.layout.PlotLeft(), decimation);
  std::optional<RangeFigures> figures;
  if (scene.layout.figuresShown) run.Store().Figures(visible.startMs, visible.endMs, figures.emplace());
  for (size_t i = 0; i < lanes.size(); ++i) {
    if (strips[i]) {
      AddStripLane(scene, run, decimation, lanes[i], i, request);
    } else {
      AddAnalogLane(scene, run, decimation, lanes[i], i, request, figures ? &*figures : nullptr);
    }
  }
  AddTimeAxis(scene);
  if (request.cursorX) AddReadout(scene, run, lanes, *request.cursorX);
  return scene;
}

}  // namespace velmar

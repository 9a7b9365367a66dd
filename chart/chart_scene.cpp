#include "chart/chart_scene.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/reply_fields.h"
#include "chart/time_labels.h"

namespace velmar {

namespace {

constexpr uint32_t kGridColor = 0xE4E4E4;
constexpr uint32_t kFrameColor = 0xA0A0A0;
constexpr uint32_t kTextColor = 0x202020;
constexpr uint32_t kMutedTextColor = 0x707070;
constexpr uint32_t kCursorColor = 0x505050;
constexpr double kTimeLabelSpacingPx = 96;
constexpr double kTextGapPx = 4;
constexpr double kReadoutFlipPx = 110;
constexpr wchar_t kNoValue[] = L"\u2013";

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

// Collects one lane's line, clipped to its plot: a segment leaving the plot ends a polyline,
// one coming back starts another, and a break in the data starts one afresh.
class LaneLineBuilder {
 public:
  LaneLineBuilder(const PixelRect& plot, size_t lane, uint32_t color, std::vector<ScenePolyline>& out)
      : left_(plot.left), top_(plot.top), right_(plot.right - 1), bottom_(plot.bottom - 1), lane_(lane),
        color_(color), out_(out) {}
  ~LaneLineBuilder() { Break(); }
  LaneLineBuilder(const LaneLineBuilder&) = delete;
  LaneLineBuilder& operator=(const LaneLineBuilder&) = delete;

  void MoveTo(double x, double y) {
    Break();
    penX_ = x;
    penY_ = y;
    hasPen_ = true;
    if (x >= left_ && x <= right_ && y >= top_ && y <= bottom_) Add(x, y);
  }

  void LineTo(double x, double y) {
    if (!hasPen_) return MoveTo(x, y);
    double t0 = 0;
    double t1 = 1;
    const double dx = x - penX_;
    const double dy = y - penY_;
    const bool visible = Clip(-dx, penX_ - left_, t0, t1) && Clip(dx, right_ - penX_, t0, t1) &&
                         Clip(-dy, penY_ - top_, t0, t1) && Clip(dy, bottom_ - penY_, t0, t1);
    if (visible) {
      if (t0 > 0) Finish();
      Add(penX_ + t0 * dx, penY_ + t0 * dy);
      Add(penX_ + t1 * dx, penY_ + t1 * dy);
      if (t1 < 1) Finish();
    } else {
      Finish();
    }
    penX_ = x;
    penY_ = y;
  }

  void Break() {
    Finish();
    hasPen_ = false;
  }

 private:
  // Liang-Barsky: narrows [t0, t1] to where the segment is inside one edge.
  static bool Clip(double direction, double distance, double& t0, double& t1) {
    if (direction == 0) return distance >= 0;
    const double t = distance / direction;
    if (direction < 0) {
      if (t > t1) return false;
      t0 = std::max(t0, t);
    } else {
      if (t < t0) return false;
      t1 = std::min(t1, t);
    }
    return true;
  }

  void Add(double x, double y) {
    const ScenePoint point{static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y))};
    if (!points_.empty() && points_.back().x == point.x && points_.back().y == point.y) return;
    points_.push_back(point);
  }

  void Finish() {
    if (points_.empty()) return;
    // A lone value between gaps still shows, as a dot.
    if (points_.size() == 1) points_.push_back({points_[0].x + 1, points_[0].y});
    out_.push_back(ScenePolyline{lane_, color_, std::move(points_)});
    points_.clear();
  }

  double left_, top_, right_, bottom_;
  size_t lane_;
  uint32_t color_;
  std::vector<ScenePolyline>& out_;
  std::vector<ScenePoint> points_;
  double penX_ = 0;
  double penY_ = 0;
  bool hasPen_ = false;
};

void AddLaneLines(const ChartScene& scene, const Decimation& decimation, size_t series, size_t laneIndex,
                  uint32_t color, std::vector<ScenePolyline>& out) {
  const PixelRect& plot = scene.layout.lanes[laneIndex].plot;
  const ValueScale& scale = scene.lanes[laneIndex].scale;
  const auto y = [&](double value) { return ValueToY(scale, plot, value); };
  LaneLineBuilder line(plot, laneIndex, color, out);
  bool joinsNext = false;
  for (int x = -1; x <= decimation.width; ++x) {
    const M4& block = decimation.At(series, x);
    if (!block.HasValue()) {
      // Rows without a number break the line; pixel columns without rows do not.
      if (block.HasRows()) {
        line.Break();
        joinsNext = false;
      }
      continue;
    }
    const TimeSpanMs& times = decimation.Times(x);
    const double first = scene.XOfTime(times.first);
    const double last = scene.XOfTime(times.last);
    // Extremes of a folded block wider than the view go where they can be seen.
    const double middle = scene.XOfTime(
        (std::max<double>(times.first, scene.visible.startMs) + std::min<double>(times.last, scene.visible.endMs)) / 2);
    if (joinsNext && !block.Has(M4::kLeadGap)) {
      line.LineTo(first, y(block.first));
    } else {
      line.MoveTo(first, y(block.first));
    }
    if (block.Has(M4::kInnerGap)) {
      line.MoveTo(middle, y(block.min));
      line.LineTo(middle, y(block.max));
      line.MoveTo(last, y(block.last));
    } else {
      line.LineTo(middle, y(block.min));
      line.LineTo(middle, y(block.max));
      line.LineTo(last, y(block.last));
    }
    joinsNext = !block.Has(M4::kTrailGap);
    if (!joinsNext) line.Break();
  }
}

ValueScale VisibleScale(const Decimation& decimation, size_t series, int maxTicks) {
  double low = std::numeric_limits<double>::infinity();
  double high = -low;
  for (int x = 0; x < decimation.width; ++x) {
    const M4& block = decimation.At(series, x);
    if (!block.HasValue()) continue;
    low = std::min(low, block.min);
    high = std::max(high, block.max);
  }
  return ChooseValueScale(low, high, maxTicks);
}

void AddHeader(ChartScene& scene, const ChartView& view, const SceneRequest& request) {
  const ChartLayout& layout = scene.layout;
  const int y = layout.header.top + (layout.lineHeight - layout.fontHeight) / 2;
  std::wstring status = request.source.empty() ? L"" : request.source + L"  |  ";
  status += WindowName(view.Window());
  status += view.Following() ? L", following the newest row" : L": zoomed or scrolled, End follows again";
  scene.texts.push_back({layout.header.left, y, std::move(status), TextAlign::Left, TextStyle::Normal, kTextColor});
  scene.texts.push_back(
      {layout.header.right, y, L"Right-click for options", TextAlign::Right, TextStyle::Normal, kMutedTextColor});
}

void AddTimeAxis(ChartScene& scene, const ChartRun& run) {
  const ChartLayout& layout = scene.layout;
  const int width = layout.PlotRight() - layout.PlotLeft();
  const int maxTicks = std::max(1, width / std::max(1, layout.Scaled(kTimeLabelSpacingPx)));
  const TimeTicks ticks = ChooseTimeTicks(scene.visible.startMs, scene.visible.endMs, maxTicks);
  const int axisTop = layout.lanes.back().plot.bottom;
  for (const double tick : ticks.ticksMs) {
    const int x = static_cast<int>(std::lround(scene.XOfTime(tick)));
    if (x < layout.PlotLeft() || x >= layout.PlotRight()) continue;
    for (const LaneLayout& lane : layout.lanes) {
      scene.grid.push_back({{x, lane.plot.top}, {x, lane.plot.bottom}, kGridColor});
    }
    scene.grid.push_back({{x, axisTop}, {x, axisTop + layout.tickLength}, kFrameColor});
    scene.texts.push_back({x, layout.timeAxis.top + (layout.lineHeight - layout.fontHeight) / 2,
                           FormatElapsed(tick, ticks.style, ticks.decimals), TextAlign::Center, TextStyle::Normal,
                           kTextColor});
  }
  if (run.StartTime().year > 0) {
    scene.texts.push_back({layout.startLine.left, layout.startLine.top + (layout.lineHeight - layout.fontHeight) / 2,
                           L"Started " + FormatDateTime(run.StartTime()), TextAlign::Left, TextStyle::Normal,
                           kMutedTextColor});
  }
}

void AddLane(ChartScene& scene, const ChartRun& run, const Decimation& decimation, const ChartRun::Lane& lane,
             size_t laneIndex) {
  const ChartLayout& layout = scene.layout;
  const LaneLayout& place = layout.lanes[laneIndex];
  const uint32_t color = LaneColor(lane.column);
  scene.lanes.push_back({lane.column, VisibleScale(decimation, lane.series, MaxValueTicks(layout, place.plot))});
  const ValueScale& scale = scene.lanes.back().scale;
  for (const double tick : scale.ticks) {
    const int y = static_cast<int>(std::lround(ValueToY(scale, place.plot, tick)));
    scene.grid.push_back({{place.plot.left, y}, {place.plot.right, y}, kGridColor});
    scene.grid.push_back({{place.plot.left - layout.tickLength, y}, {place.plot.left, y}, kFrameColor});
    scene.texts.push_back({place.plot.left - layout.tickLength - layout.Scaled(2), y - layout.fontHeight / 2,
                           FormatTick(tick, scale), TextAlign::Right, TextStyle::Normal, kTextColor});
  }
  scene.frames.push_back(place.plot);
  const int textY = place.title.top + (layout.lineHeight - layout.fontHeight) / 2;
  scene.texts.push_back({place.title.left, textY, run.Title(lane.column), TextAlign::Left, TextStyle::Bold, color});
  scene.texts.push_back({place.title.right, textY, ValueText(run.LatestValue(lane.series)), TextAlign::Right,
                         TextStyle::Bold, color});
  AddLaneLines(scene, decimation, lane.series, laneIndex, color, scene.polylines);
}

void AddReadout(ChartScene& scene, const ChartRun& run, const std::vector<ChartRun::Lane>& lanes, int cursorX) {
  const ChartLayout& layout = scene.layout;
  if (cursorX < layout.PlotLeft() || cursorX >= layout.PlotRight()) return;
  const std::optional<NearestSample> sample = run.Store().Nearest(scene.TimeAtX(cursorX + 0.5));
  if (!sample) return;
  int x = static_cast<int>(std::lround(scene.XOfTime(sample->timeMs)));
  if (x < layout.PlotLeft() || x >= layout.PlotRight()) x = cursorX;
  scene.cursor = SceneLine{{x, layout.lanes.front().plot.top}, {x, layout.lanes.back().plot.bottom}, kCursorColor};

  const LocalDateTime wallClock = run.ClockAt(sample->timeMs);
  std::wstring time = sample->folded ? L"\u2248 " : L"";
  time += FormatElapsed(sample->timeMs, StyleFor(scene.visible.startMs, scene.visible.endMs), 3) + L"  " +
          (SameDay(wallClock, run.StartTime()) ? FormatClock(wallClock) : FormatDateTime(wallClock));
  // The axis labels the readout would half cover give way to it; a character is taken as about
  // 0.6 of the font's height wide, the labels' own half width included in the margin.
  const int axisY = layout.timeAxis.top + (layout.lineHeight - layout.fontHeight) / 2;
  const int clearance = static_cast<int>(time.size() + 8) * layout.fontHeight * 3 / 10;
  std::erase_if(scene.texts, [&](const SceneText& text) { return text.y == axisY && std::abs(text.x - x) < clearance; });
  scene.texts.push_back({x, axisY, std::move(time), TextAlign::Center, TextStyle::Boxed, kTextColor});

  const bool leftOfCursor = x > layout.PlotRight() - layout.Scaled(kReadoutFlipPx);
  const int gap = layout.Scaled(kTextGapPx);
  for (size_t i = 0; i < lanes.size(); ++i) {
    const PixelRect& plot = layout.lanes[i].plot;
    scene.texts.push_back({leftOfCursor ? x - gap : x + gap, plot.top + gap, ValueText(sample->values[lanes[i].series]),
                           leftOfCursor ? TextAlign::Right : TextAlign::Left, TextStyle::Boxed,
                           LaneColor(lanes[i].column)});
  }
}

}  // namespace

double ChartScene::TimeAtX(double x) const {
  const double width = std::max(1, layout.PlotRight() - layout.PlotLeft());
  return visible.startMs + (x - layout.PlotLeft()) / width * visible.Span();
}

double ChartScene::XOfTime(double timeMs) const {
  const double width = layout.PlotRight() - layout.PlotLeft();
  return layout.PlotLeft() + (timeMs - visible.startMs) / visible.Span() * width;
}

uint32_t LaneColor(size_t column) {
  static constexpr uint32_t kPalette[] = {0x1F77B4, 0xD62728, 0x2CA02C, 0xFF7F0E, 0x9467BD,
                                          0x8C564B, 0xE377C2, 0x17BECF, 0xBCBD22, 0x7F7F7F};
  return kPalette[column % std::size(kPalette)];
}

ChartScene BuildChartScene(const ChartRun& run, const ChartView& view, const std::set<size_t>& hiddenColumns,
                           const SceneRequest& request) {
  std::vector<ChartRun::Lane> lanes;
  for (const ChartRun::Lane& lane : run.Lanes()) {
    if (!hiddenColumns.contains(lane.column)) lanes.push_back(lane);
  }
  ChartScene scene;
  scene.layout = ComputeChartLayout(request.width, request.height, request.dpi, lanes.size());
  scene.visible = view.Visible(run.Extent());
  AddHeader(scene, view, request);
  if (lanes.empty()) {
    const wchar_t* message = run.Store().RowCount() == 0 ? L"Waiting for the first row"
                             : run.Lanes().empty()       ? L"No column has held a number yet"
                                                         : L"Every lane is hidden: right-click to show them";
    const ChartLayout& layout = scene.layout;
    scene.texts.push_back({(layout.header.left + layout.header.right) / 2,
                           (layout.header.bottom + layout.startLine.top) / 2 - layout.fontHeight / 2, message,
                           TextAlign::Center, TextStyle::Normal, kMutedTextColor});
    return scene;
  }
  Decimation decimation;
  run.Store().Decimate(scene.visible.startMs, scene.visible.endMs,
                       scene.layout.PlotRight() - scene.layout.PlotLeft(), decimation);
  for (size_t i = 0; i < lanes.size(); ++i) AddLane(scene, run, decimation, lanes[i], i);
  AddTimeAxis(scene, run);
  if (request.cursorX) AddReadout(scene, run, lanes, *request.cursorX);
  return scene;
}

}  // namespace velmar

#include "chart/chart_layout.h"

#include <algorithm>
#include <cmath>

namespace velmar {

namespace {

constexpr double kFontPx = 12;
constexpr double kLinePx = 16;
constexpr double kMarginPx = 6;
constexpr double kHeaderGapPx = 4;
constexpr double kTitleColumnPx = 112;
constexpr double kColumnGapPx = 6;
constexpr double kValueLabelsPx = 48;
constexpr double kTickPx = 4;
constexpr double kLaneGapPx = 4;
constexpr double kFiguresColumnPx = 168;
constexpr double kNarrowestPlotPx = 120;
// Tick labels a comfortable distance apart, and the closest they may come.
constexpr double kTickSpacingPx = 26;
constexpr double kClosestTicksPx = 14;
// Lanes at least this tall get two ticks, and three from the second height on.
constexpr double kTwoTicksPx = 40;
constexpr double kThreeTicksPx = 100;
constexpr double kCharacterWidth = 0.6;  // of the font's height

}  // namespace

int ChartLayout::Scaled(double length) const { return static_cast<int>(std::lround(length * dpi / 96.0)); }

int ChartLayout::PlotLeft() const { return lanes.empty() ? timeAxis.left : lanes.front().plot.left; }

int ChartLayout::PlotRight() const { return lanes.empty() ? timeAxis.right : lanes.front().plot.right; }

TimeTransform ChartLayout::Time(const TimeRange& visible) const { return {PlotLeft(), PlotRight(), visible}; }

TickRoom ChartLayout::ValueTicks(const PixelRect& plot) const {
  const int height = plot.Height();
  const int fewest = height >= Scaled(kThreeTicksPx) ? 3 : height >= Scaled(kTwoTicksPx) ? 2 : 1;
  return TickRoom(std::min(10, height / std::max(1, Scaled(kTickSpacingPx))), fewest,
                  height / std::max(1, Scaled(kClosestTicksPx)));
}

std::optional<size_t> ChartLayout::LaneAt(int y) const {
  for (size_t i = 0; i < lanes.size(); ++i) {
    if (y >= std::min(lanes[i].title.top, lanes[i].plot.top) && y < std::max(lanes[i].title.bottom, lanes[i].plot.bottom)) {
      return i;
    }
  }
  return std::nullopt;
}

int ChartLayout::TextWidth(size_t length) const {
  return static_cast<int>(std::ceil(static_cast<double>(length) * fontHeight * kCharacterWidth));
}

ChartLayout ComputeChartLayout(int width, int height, int dpi, const std::vector<bool>& strips, bool figures) {
  ChartLayout layout;
  layout.dpi = dpi > 0 ? dpi : 96;
  layout.fontHeight = layout.Scaled(kFontPx);
  layout.lineHeight = layout.Scaled(kLinePx);
  layout.lineWidth = std::max(1, layout.Scaled(1));
  layout.tickLength = layout.Scaled(kTickPx);
  const int margin = layout.Scaled(kMarginPx);
  const int line = layout.lineHeight;
  const int right = std::max(margin, width - margin);
  layout.header = {margin, margin, right, margin + line};

  const int titleRight = std::min(right, margin + layout.Scaled(kTitleColumnPx));
  const int plotLeft =
      std::min(right, titleRight + layout.Scaled(kColumnGapPx + kValueLabelsPx) + layout.tickLength);
  const int figuresWidth = layout.Scaled(kFiguresColumnPx + kColumnGapPx);
  layout.figuresShown = figures && right - figuresWidth - plotLeft >= layout.Scaled(kNarrowestPlotPx);
  const int plotRight = layout.figuresShown ? right - figuresWidth : right;
  const int axisTop = std::max(layout.header.bottom, height - margin - line);
  layout.timeAxis = {plotLeft, axisTop, plotRight, axisTop + line};
  layout.hint = {margin, axisTop, titleRight, axisTop + line};
  if (strips.empty()) return layout;

  const int gap = layout.Scaled(kLaneGapPx);
  const int lanesTop = layout.header.bottom + layout.Scaled(kHeaderGapPx);
  const int lanesBottom = std::max(lanesTop, axisTop - layout.tickLength);
  const int lanes = static_cast<int>(strips.size());
  const int stripCount = static_cast<int>(std::count(strips.begin(), strips.end(), true));
  const int analogCount = lanes - stripCount;
  const int analogSpace = std::max(0, lanesBottom - lanesTop - stripCount * line - (lanes - 1) * gap);
  int top = lanesTop;
  int analogIndex = 0;
  for (const bool strip : strips) {
    int laneHeight = line;
    if (!strip) {
      // The remainder of the division goes to the first analog lanes, a pixel each.
      laneHeight = analogSpace / analogCount + (analogIndex < analogSpace % analogCount ? 1 : 0);
      ++analogIndex;
    }
    LaneLayout lane;
    lane.strip = strip;
    lane.plot = {plotLeft, top, plotRight, top + laneHeight};
    lane.title = {margin, top, titleRight, top + std::max(laneHeight, line)};
    if (layout.figuresShown && !strip) lane.figures = {plotRight + layout.Scaled(kColumnGapPx), top, right, top + laneHeight};
    layout.lanes.push_back(lane);
    top = lane.plot.bottom + gap;
  }
  return layout;
}

}  // namespace velmar

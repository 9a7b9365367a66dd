#include "chart/chart_layout.h"

#include <algorithm>
#include <cmath>

namespace velmar {

namespace {

constexpr double kFontPx = 12;
constexpr double kLinePx = 17;
constexpr double kMarginPx = 8;
constexpr double kValueLabelsPx = 76;
constexpr double kLaneGapPx = 6;
constexpr double kTickPx = 4;
constexpr double kValueTickSpacingPx = 26;

}  // namespace

int ChartLayout::Scaled(double length) const {
  return static_cast<int>(std::lround(length * dpi / 96.0));
}

int ChartLayout::PlotLeft() const { return lanes.empty() ? header.left : lanes.front().plot.left; }

int ChartLayout::PlotRight() const { return lanes.empty() ? header.right : lanes.front().plot.right; }

ChartLayout ComputeChartLayout(int width, int height, int dpi, size_t laneCount) {
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
  const int plotLeft = std::min(right, margin + layout.Scaled(kValueLabelsPx));
  layout.startLine = {margin, std::max(layout.header.bottom, height - margin - line), right,
                      std::max(layout.header.bottom + line, height - margin)};
  layout.timeAxis = {plotLeft, layout.startLine.top - line, right, layout.startLine.top};
  if (laneCount == 0) return layout;

  const int lanesTop = layout.header.bottom + layout.Scaled(kLaneGapPx);
  const int lanesBottom = std::max(lanesTop, layout.timeAxis.top - layout.tickLength);
  const int gap = layout.Scaled(kLaneGapPx);
  const int lanes = static_cast<int>(laneCount);
  const int plotSpace = std::max(0, lanesBottom - lanesTop - lanes * line - (lanes - 1) * gap);
  int top = lanesTop;
  for (int i = 0; i < lanes; ++i) {
    // The remainder of the division goes to the first lanes, a pixel each.
    const int plotHeight = plotSpace / lanes + (i < plotSpace % lanes ? 1 : 0);
    LaneLayout lane;
    lane.title = {plotLeft, top, right, top + line};
    lane.plot = {plotLeft, lane.title.bottom, right, lane.title.bottom + plotHeight};
    layout.lanes.push_back(lane);
    top = lane.plot.bottom + gap;
  }
  return layout;
}

int MaxValueTicks(const ChartLayout& layout, const PixelRect& plot) {
  return std::clamp(plot.Height() / std::max(1, layout.Scaled(kValueTickSpacingPx)), 1, 10);
}

double ValueToY(const ValueScale& scale, const PixelRect& plot, double value) {
  return plot.top + (1 - scale.Fraction(value)) * (plot.Height() - 1);
}

PixelRect FitWithin(const PixelRect& window, const PixelRect& workArea) {
  const int width = std::clamp(window.Width(), 1, std::max(1, workArea.Width()));
  const int height = std::clamp(window.Height(), 1, std::max(1, workArea.Height()));
  const int left = std::max(workArea.left, std::min(window.left, workArea.right - width));
  const int top = std::max(workArea.top, std::min(window.top, workArea.bottom - height));
  return {left, top, left + width, top + height};
}

}  // namespace velmar

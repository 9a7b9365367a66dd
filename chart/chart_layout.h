#pragma once
#include <cstddef>
#include <optional>
#include <vector>

#include "chart/nice_ticks.h"
#include "chart/pixel_rect.h"
#include "chart/plot_transform.h"

namespace velmar {

struct LaneLayout {
  bool strip = false;
  PixelRect title;    // beside the plot: the lane's name, and under it an analog lane's newest value
  PixelRect plot;     // an analog lane's plot, or a strip of states
  PixelRect figures;  // beside the plot: the statistics; empty when they are not shown
  bool operator==(const LaneLayout&) const = default;
};

// Where everything goes in a client area of a given size at a given DPI; every length is
// scaled by dpi / 96. The lanes stack in column order: strips one text line high, analog lanes
// sharing the height that is left, titles and tick labels to the left of the plots.
struct ChartLayout {
  int dpi = 96;
  int fontHeight = 0;
  int lineHeight = 0;
  int lineWidth = 1;  // of the series' lines
  int tickLength = 0;
  bool figuresShown = false;  // asked for, and with room beside the plots
  PixelRect header;           // the view's state, and the run's start
  std::vector<LaneLayout> lanes;
  PixelRect timeAxis;  // the elapsed-time labels under the plots
  PixelRect hint;      // under the titles, beside the time labels

  int Scaled(double length) const;
  int PlotLeft() const;
  int PlotRight() const;
  TimeTransform Time(const TimeRange& visible) const;
  // How many value ticks a plot of this height has room for.
  TickRoom ValueTicks(const PixelRect& plot) const;
  // The lane whose title or plot holds client y.
  std::optional<size_t> LaneAt(int y) const;
  // About how wide `length` characters are in the chart's font; the portable layout cannot
  // measure, so it errs wide.
  int TextWidth(size_t length) const;
  bool operator==(const ChartLayout&) const = default;
};

// `strips` says for each lane, top to bottom, whether it is a strip of states.
ChartLayout ComputeChartLayout(int width, int height, int dpi, const std::vector<bool>& strips, bool figures);

}  // namespace velmar

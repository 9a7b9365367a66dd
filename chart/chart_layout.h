#pragma once
#include <cstddef>
#include <vector>

#include "chart/nice_ticks.h"

namespace velmar {

// Right and bottom are exclusive, as in GDI.
struct PixelRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

struct LaneLayout {
  PixelRect title;  // the lane's name and newest value
  PixelRect plot;
};

// Where everything goes in a client area of a given size at a given DPI; every length is
// scaled by dpi / 96.
struct ChartLayout {
  int dpi = 96;
  int fontHeight = 0;
  int lineHeight = 0;
  int lineWidth = 1;     // of the series' lines
  int tickLength = 0;
  PixelRect header;      // the view's state and a hint
  std::vector<LaneLayout> lanes;
  PixelRect timeAxis;    // the elapsed-time labels under the last lane
  PixelRect startLine;   // the run's wall-clock start

  int Scaled(double length) const;
  int PlotLeft() const;
  int PlotRight() const;
};

ChartLayout ComputeChartLayout(int width, int height, int dpi, size_t laneCount);

// How many value ticks a plot has room for, and where a value goes in it.
int MaxValueTicks(const ChartLayout& layout, const PixelRect& plot);
double ValueToY(const ValueScale& scale, const PixelRect& plot, double value);

// A remembered window rectangle moved (and if need be shrunk) to lie within a monitor's work
// area, so a window placed on a monitor since removed comes back where it can be seen.
PixelRect FitWithin(const PixelRect& window, const PixelRect& workArea);

}  // namespace velmar

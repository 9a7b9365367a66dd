#pragma once
#include "chart/pixel_rect.h"

namespace velmar {

struct PixelSize {
  int width = 0;
  int height = 0;
};

// The chart window's sizes at 96 DPI: the default fits beside the main dialog on a small screen.
inline constexpr PixelSize kChartDefaultSize{880, 760};
inline constexpr PixelSize kChartMinimumSize{360, 260};

// Where the chart first opens: beside its owner on the owner's monitor's work area, trying the
// right, the left, below, then above, at the preferred size clipped to the free space there.
// Where no side has room for the minimum size, the preferred size clipped to the work area,
// where it covers the least of the owner and never its caption bar.
PixelRect PlaceBeside(const PixelRect& owner, int captionHeight, const PixelRect& workArea, PixelSize preferred,
                      PixelSize minimum);

// A remembered window rectangle moved (and if need be shrunk) to lie within a monitor's work
// area, so a window placed on a monitor since removed comes back where it can be seen.
PixelRect FitWithin(const PixelRect& window, const PixelRect& workArea);

// The restored position the window system keeps for a maximised or minimised window counts
// from the corner of its monitor's work area (a taskbar at the top or left moves that corner);
// the same position in screen pixels, as every other rectangle is kept.
PixelRect ScreenFromWorkspace(const PixelRect& normal, const PixelRect& monitor, const PixelRect& workArea);

}  // namespace velmar

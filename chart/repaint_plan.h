#pragma once
#include <vector>

#include "chart/chart_scene.h"

namespace velmar {

// What is drawn in one lane over the layers below: the parts of a picture that a new row
// changes most often.
struct LaneOverlay {
  PixelRect area;  // the plot, and as far as wide pens reach beyond it
  ValueTransform values;
  std::vector<ScenePolyline> lines;
  std::vector<SceneFill> fills;
  std::vector<SceneText> texts;
  std::vector<SceneLine> marks;  // lines across the plot: a change redraws all of it
  bool operator==(const LaneOverlay&) const = default;
};

// Of a scene on screen, what the next repaint compares with.
struct DrawnOverlay {
  TimeRange visible;
  std::vector<SceneLine> timeGrid;
  PixelRect ticksArea;  // the time ticks under the last lane
  std::vector<LaneOverlay> lanes;
};

DrawnOverlay OverlayOf(const ChartScene& scene);

// The band of client rows, the whole width, in which two frame layers differ: empty when they
// do not. Items are compared as a whole, wherever they moved in the list.
PixelRect FrameChange(const SceneLayer& drawn, const SceneLayer& now, const ChartLayout& layout, int width);

// The parts of the plots whose overlay must be drawn again: every lane when the time axis moved,
// a lane whose scale changed, and otherwise each lane from where its lines or strip start to
// differ to its right edge; none when nothing changed.
std::vector<PixelRect> OverlayChanges(const DrawnOverlay& drawn, const DrawnOverlay& now, const ChartLayout& layout);

}  // namespace velmar

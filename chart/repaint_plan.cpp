#include "chart/repaint_plan.h"

#include <algorithm>
#include <climits>

namespace velmar {

namespace {

// How far a line's pixels may lie from its points: wide pens, and the dot a line ends in.
int Reach(const ChartLayout& layout) { return layout.lineWidth + 1; }

// The x where two lists of items, laid out left to right, begin to differ; INT_MAX when they
// do not. `start` gives where an item stops matching the one in its place before, `left` where
// an item with none in its place begins.
template <class Item, class Start, class Left>
int FirstDifference(const std::vector<Item>& drawn, const std::vector<Item>& now, Start start, Left left) {
  int x = INT_MAX;
  for (size_t i = 0; i < std::max(drawn.size(), now.size()); ++i) {
    if (i >= drawn.size()) {
      x = std::min(x, left(now[i]));
    } else if (i >= now.size()) {
      x = std::min(x, left(drawn[i]));
    } else if (!(drawn[i] == now[i])) {
      x = std::min(x, start(drawn[i], now[i]));
    }
  }
  return x;
}

int LineStart(const ScenePolyline& drawn, const ScenePolyline& now) {
  size_t same = 0;
  while (same < drawn.points.size() && same < now.points.size() && drawn.points[same] == now.points[same]) ++same;
  // From the point before the first that differs: the segment into it changes too.
  const std::vector<ScenePoint>& points = same < drawn.points.size() ? drawn.points : now.points;
  if (points.empty()) return INT_MAX;
  return points[same > 0 ? same - 1 : 0].x;
}

int FillStart(const SceneFill& drawn, const SceneFill& now) {
  // A segment that only grew to the right changes from its old right end on.
  if (drawn.rect.left == now.rect.left && drawn.rect.top == now.rect.top && drawn.rect.bottom == now.rect.bottom &&
      drawn.color == now.color) {
    return std::min(drawn.rect.right, now.rect.right);
  }
  return std::min(drawn.rect.left, now.rect.left);
}

int TextStart(const SceneText& drawn, const SceneText& now) { return std::min(drawn.x, now.x); }
int LineLeft(const ScenePolyline& line) { return line.points.empty() ? INT_MAX : line.points.front().x; }
int FillLeft(const SceneFill& fill) { return fill.rect.left; }
int TextLeft(const SceneText& text) { return text.x; }

// The rows an item's pixels may reach.
struct Rows {
  int top;
  int bottom;
};

Rows RowsOf(const SceneLine& line) {
  return {std::min(line.from.y, line.to.y) - 1, std::max(line.from.y, line.to.y) + 2};
}
Rows RowsOf(const PixelRect& frame) { return {frame.top - 2, frame.bottom + 2}; }
Rows RowsOf(const SceneFill& fill) { return {fill.rect.top, fill.rect.bottom}; }

// Every item of one list missing from the other widens the band.
template <class Item, class Extent>
void Differing(const std::vector<Item>& these, const std::vector<Item>& those, Extent rowsOf, Rows& band) {
  for (const Item& item : these) {
    if (std::find(those.begin(), those.end(), item) != those.end()) continue;
    const Rows rows = rowsOf(item);
    band.top = std::min(band.top, rows.top);
    band.bottom = std::max(band.bottom, rows.bottom);
  }
}

}  // namespace

DrawnOverlay OverlayOf(const ChartScene& scene) {
  const ChartLayout& layout = scene.layout;
  DrawnOverlay overlay{scene.time.Visible(), scene.timeGrid, {}, {}};
  const int reach = Reach(layout);
  for (size_t i = 0; i < scene.lanes.size() && i < layout.lanes.size(); ++i) {
    const PixelRect& plot = layout.lanes[i].plot;
    LaneOverlay lane{{plot.left - reach, plot.top - reach, plot.right + reach, plot.bottom + reach},
                     scene.lanes[i].values, {}, {}, {}, {}};
    for (const ScenePolyline& line : scene.polylines) {
      if (line.lane == i) lane.lines.push_back(line);
    }
    for (const SceneFill& fill : scene.strips.fills) {
      if (fill.rect.top == plot.top) lane.fills.push_back(fill);
    }
    for (const SceneText& text : scene.strips.texts) {
      if (text.y >= plot.top && text.y < plot.bottom) lane.texts.push_back(text);
    }
    for (const SceneLine& mark : scene.strips.lines) {
      if (mark.from.y >= plot.top && mark.from.y < plot.bottom && mark.from.x == plot.left) lane.marks.push_back(mark);
    }
    overlay.lanes.push_back(std::move(lane));
  }
  if (!layout.lanes.empty()) {
    const PixelRect& last = layout.lanes.back().plot;
    overlay.ticksArea = {last.left - 1, last.bottom, last.right + 1, last.bottom + layout.tickLength + 1};
  }
  return overlay;
}

PixelRect FrameChange(const SceneLayer& drawn, const SceneLayer& now, const ChartLayout& layout, int width) {
  Rows band{INT_MAX, INT_MIN};
  // A text's cell is taller than its font: leading and descent.
  const auto textRows = [&layout](const SceneText& text) { return Rows{text.y - 1, text.y + layout.fontHeight * 3 / 2 + 2}; };
  for (const auto& [these, those] : {std::pair{&drawn, &now}, std::pair{&now, &drawn}}) {
    Differing(these->fills, those->fills, [](const SceneFill& fill) { return RowsOf(fill); }, band);
    Differing(these->lines, those->lines, [](const SceneLine& line) { return RowsOf(line); }, band);
    Differing(these->frames, those->frames, [](const PixelRect& frame) { return RowsOf(frame); }, band);
    Differing(these->texts, those->texts, textRows, band);
  }
  if (band.top >= band.bottom) return {};
  return {0, std::max(0, band.top), width, band.bottom};
}

std::vector<PixelRect> OverlayChanges(const DrawnOverlay& drawn, const DrawnOverlay& now, const ChartLayout& layout) {
  std::vector<PixelRect> parts;
  const bool axisMoved = drawn.visible.startMs != now.visible.startMs || drawn.visible.endMs != now.visible.endMs ||
                         drawn.timeGrid != now.timeGrid || drawn.lanes.size() != now.lanes.size() ||
                         !(drawn.ticksArea == now.ticksArea);
  if (axisMoved) {
    for (const LaneOverlay& lane : now.lanes) parts.push_back(lane.area);
    if (!now.ticksArea.Empty()) parts.push_back(now.ticksArea);
    return parts;
  }
  const int reach = Reach(layout);
  for (size_t i = 0; i < now.lanes.size(); ++i) {
    const LaneOverlay& before = drawn.lanes[i];
    const LaneOverlay& lane = now.lanes[i];
    if (!(before.area == lane.area) || !(before.values == lane.values) || before.marks != lane.marks) {
      parts.push_back(lane.area);
      continue;
    }
    const int start = std::min({FirstDifference(before.lines, lane.lines, LineStart, LineLeft),
                                FirstDifference(before.fills, lane.fills, FillStart, FillLeft),
                                FirstDifference(before.texts, lane.texts, TextStart, TextLeft)});
    if (start == INT_MAX) continue;
    parts.push_back({std::max(lane.area.left, start - reach), lane.area.top, lane.area.right, lane.area.bottom});
  }
  return parts;
}

}  // namespace velmar

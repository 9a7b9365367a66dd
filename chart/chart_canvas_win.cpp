#include "chart/chart_canvas_win.h"

#include <algorithm>
#include <climits>

namespace velmar {

namespace {

void Copy(HDC target, HDC source, const PixelRect& part) {
  ::BitBlt(target, part.left, part.top, part.Width(), part.Height(), source, part.left, part.top, SRCCOPY);
}

// How far a line's pixels may lie from its points: wide pens, and the dot a line ends in.
int Reach(const ChartLayout& layout) { return layout.lineWidth + 1; }

// Drawing confined to a rectangle of a DC, for a scope.
class ClippedTo {
 public:
  ClippedTo(HDC dc, const PixelRect& area) : dc_(dc), saved_(::SaveDC(dc)) {
    ::IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
  }
  ~ClippedTo() { ::RestoreDC(dc_, saved_); }
  ClippedTo(const ClippedTo&) = delete;
  ClippedTo& operator=(const ClippedTo&) = delete;

 private:
  HDC dc_;
  int saved_;
};

// The x where two lists of items, laid out left to right, begin to differ: INT_MAX when they
// do not. `start` gives where an item stops matching the one drawn before in its place, `left`
// where an item with none there begins.
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

int PolylineStart(const ScenePolyline& drawn, const ScenePolyline& now) {
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

int PolylineLeft(const ScenePolyline& line) { return line.points.empty() ? INT_MAX : line.points.front().x; }
int FillLeft(const SceneFill& fill) { return fill.rect.left; }
int TextLeft(const SceneText& text) { return text.x; }

}  // namespace

ChartCanvas::Overlay ChartCanvas::OverlayOf(const ChartScene& scene) {
  Overlay overlay{scene.time.Visible(), {}, scene.strips, scene.timeGrid, scene.polylines};
  for (const SceneLane& lane : scene.lanes) overlay.values.push_back(lane.values);
  return overlay;
}

std::vector<PixelRect> ChartCanvas::OverlayAreas(const ChartLayout& layout) {
  std::vector<PixelRect> areas;
  if (layout.lanes.empty()) return areas;
  const int reach = Reach(layout);
  for (const LaneLayout& lane : layout.lanes) {
    areas.push_back({lane.plot.left - reach, lane.plot.top - reach, lane.plot.right + reach, lane.plot.bottom + reach});
  }
  // The time ticks hang under the last lane.
  const PixelRect& last = layout.lanes.back().plot;
  areas.push_back({last.left - 1, last.bottom, last.right + 1, last.bottom + layout.tickLength + 1});
  return areas;
}

std::optional<int> ChartCanvas::TailStart(const Overlay& drawn, const Overlay& now) {
  if (drawn.visible.startMs != now.visible.startMs || drawn.visible.endMs != now.visible.endMs ||
      drawn.values != now.values || drawn.timeGrid != now.timeGrid) {
    return std::nullopt;
  }
  return std::min({FirstDifference(drawn.polylines, now.polylines, PolylineStart, PolylineLeft),
                   FirstDifference(drawn.strips.fills, now.strips.fills, FillStart, FillLeft),
                   FirstDifference(drawn.strips.texts, now.strips.texts, TextStart, TextLeft)});
}

void ChartCanvas::DrawOverlay(const ChartScene& scene) {
  painter_.Layer(back_->Dc(), scene.strips, scene.layout);
  painter_.Lines(back_->Dc(), scene);
}

std::optional<std::vector<PixelRect>> ChartCanvas::Render(HDC reference, const ChartScene& scene, int width,
                                                          int height, bool refreshRowTexts) {
  width = std::max(1, width);
  height = std::max(1, height);
  if (width != width_ || height != height_ || !frame_) {
    frame_.emplace(reference, width, height);
    composed_.emplace(reference, width, height);
    back_.emplace(reference, width, height);
    width_ = width;
    height_ = height;
    drawnFrame_.reset();
    drawnRowTexts_.reset();
    drawnOverlay_.reset();
  }
  if (!frame_->Ready() || !composed_->Ready() || !back_->Ready()) return std::nullopt;

  const PixelRect all{0, 0, width, height};
  const bool newFrame = drawnFrame_ != scene.frame;
  const bool newTexts = (refreshRowTexts || !drawnRowTexts_) && drawnRowTexts_ != scene.rowTexts;
  if (newFrame) {
    painter_.Background(frame_->Dc(), width, height);
    painter_.Layer(frame_->Dc(), scene.frame, scene.layout);
    drawnFrame_ = scene.frame;
  }
  if (newTexts) drawnRowTexts_ = scene.rowTexts;
  if (newFrame) {
    Copy(composed_->Dc(), frame_->Dc(), all);
    painter_.Layer(composed_->Dc(), *drawnRowTexts_, scene.layout);
  } else if (newTexts) {
    // The row texts lie in areas of their own, apart from the plots.
    for (const PixelRect& area : scene.rowTextAreas) Copy(composed_->Dc(), frame_->Dc(), area);
    painter_.Layer(composed_->Dc(), *drawnRowTexts_, scene.layout);
  }

  const bool readout = scene.cursor.has_value() || !scene.readout.fills.empty() || !scene.readout.texts.empty();
  Overlay overlay = OverlayOf(scene);
  std::vector<PixelRect> changed;
  if (newFrame || readout || readoutDrawn_ || !drawnOverlay_ || scene.layout.lanes.empty()) {
    Copy(back_->Dc(), composed_->Dc(), all);
    DrawOverlay(scene);
    painter_.Layer(back_->Dc(), scene.readout, scene.layout);
    changed.push_back(all);
  } else {
    if (newTexts) {
      for (const PixelRect& area : scene.rowTextAreas) Copy(back_->Dc(), composed_->Dc(), area);
      changed.insert(changed.end(), scene.rowTextAreas.begin(), scene.rowTextAreas.end());
    }
    const std::optional<int> tail = TailStart(*drawnOverlay_, overlay);
    if (!tail) {
      const std::vector<PixelRect> areas = OverlayAreas(scene.layout);
      for (const PixelRect& area : areas) Copy(back_->Dc(), composed_->Dc(), area);
      DrawOverlay(scene);
      changed.insert(changed.end(), areas.begin(), areas.end());
    } else if (*tail != INT_MAX) {
      const int reach = Reach(scene.layout);
      const std::vector<PixelRect> areas = OverlayAreas(scene.layout);
      const PixelRect part{std::max(0, *tail - reach), areas.front().top, areas.front().right, areas.back().bottom};
      Copy(back_->Dc(), composed_->Dc(), part);
      const ClippedTo clip(back_->Dc(), part);
      DrawOverlay(scene);
      changed.push_back(part);
    }
  }
  readoutDrawn_ = readout;
  drawnOverlay_ = std::move(overlay);
  return changed;
}

void ChartCanvas::Show(HDC target, const PixelRect& part) const {
  if (back_ && back_->Ready()) Copy(target, back_->Dc(), part);
}

}  // namespace velmar

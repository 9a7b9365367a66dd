#include "chart/lane_lines.h"

#include <algorithm>
#include <cmath>

namespace velmar {

namespace {

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
    if (Inside(x, y)) Add(x, y);
  }

  void LineTo(double x, double y) {
    if (!hasPen_) return MoveTo(x, y);
    if (Inside(penX_, penY_) && Inside(x, y)) {
      // Most segments: nothing to clip.
      if (points_.empty()) Add(penX_, penY_);
      Add(x, y);
      penX_ = x;
      penY_ = y;
      return;
    }
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

  bool Inside(double x, double y) const { return x >= left_ && x <= right_ && y >= top_ && y <= bottom_; }

  // Only points inside the plot come here: small and not negative, so adding a half and
  // truncating rounds them, without a call into the maths library per point. A scale too fine
  // for doubles (denormal values) can still give no number at all.
  void Add(double x, double y) {
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    const ScenePoint point{static_cast<int>(x + 0.5), static_cast<int>(y + 0.5)};
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

}  // namespace

void AddLaneLines(const TimeTransform& time, const ValueTransform& values, const Decimation& decimation,
                  size_t series, size_t laneIndex, uint32_t color, std::vector<ScenePolyline>& out) {
  const auto y = [&](double value) { return values.Y(value); };
  const TimeRange& visible = time.Visible();
  LaneLineBuilder line(values.Plot(), laneIndex, color, out);
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
    const double first = time.X(times.first);
    const double last = time.X(times.last);
    // Extremes of a folded block wider than the view go where they can be seen.
    const double middle = time.X(
        (std::max<double>(times.first, visible.startMs) + std::min<double>(times.last, visible.endMs)) / 2);
    if (joinsNext && !block.Has(M4::kLeadGap)) {
      line.LineTo(first, y(block.first));
    } else {
      line.MoveTo(first, y(block.first));
    }
    if (block.min == block.max && first == last) {
      // One value at one time, most often a single row: the point is all there is.
    } else if (block.Has(M4::kInnerGap)) {
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

}  // namespace velmar

#pragma once
#include "chart/chart_view.h"
#include "chart/nice_ticks.h"
#include "chart/pixel_rect.h"

namespace velmar {

// The one mapping between the run's times and the plots' pixel columns: the scene draws with
// it, and the mouse reads times and fractions of the span back through it.
class TimeTransform {
 public:
  TimeTransform() = default;
  // The plots run from `left` to `right` (exclusive) and show `visible`.
  TimeTransform(int left, int right, const TimeRange& visible) : left_(left), right_(right), visible_(visible) {}

  double X(double timeMs) const { return left_ + (timeMs - visible_.startMs) / visible_.Span() * Width(); }
  double TimeAt(double x) const { return visible_.startMs + Fraction(x) * visible_.Span(); }
  // 0 at the plots' left edge, 1 at their right edge.
  double Fraction(double x) const { return (x - left_) / Width(); }
  bool Inside(int x) const { return x >= left_ && x < right_; }
  const TimeRange& Visible() const { return visible_; }
  int Left() const { return left_; }
  int Right() const { return right_; }

 private:
  double Width() const { return right_ > left_ ? right_ - left_ : 1; }

  int left_ = 0;
  int right_ = 1;
  TimeRange visible_{0, 1};
};

// One lane's values up its plot: the scale's low at the bottom row, its high at the top row.
struct ValueTransform {
  PixelRect plot;
  ValueScale scale;

  double Y(double value) const { return plot.top + (1 - scale.Fraction(value)) * (plot.Height() - 1); }
  bool operator==(const ValueTransform&) const = default;
};

}  // namespace velmar

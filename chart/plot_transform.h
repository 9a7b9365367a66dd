#pragma once
#include <cmath>
#include <utility>

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
  TimeTransform(int left, int right, const TimeRange& visible)
      : left_(left), right_(right), visible_(visible), pixelsPerMs_(Width() / visible.Span()) {}

  double X(double timeMs) const { return left_ + (timeMs - visible_.startMs) * pixelsPerMs_; }
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
  double pixelsPerMs_ = 1;
};

// One lane's values up its plot: the scale's low at the bottom row, its high at the top row.
class ValueTransform {
 public:
  ValueTransform() = default;
  ValueTransform(const PixelRect& plot, ValueScale scale)
      : plot_(plot),
        scale_(std::move(scale)),
        bottom_(plot.bottom - 1),
        // Halved, so that a range as wide as double allows cannot overflow; one too fine for
        // doubles puts every value on the bottom row.
        pixelsPerHalf_(PixelsPer((plot.Height() - 1), scale_.high * 0.5 - scale_.low * 0.5)) {}

  double Y(double value) const { return bottom_ - (value * 0.5 - scale_.low * 0.5) * pixelsPerHalf_; }
  const PixelRect& Plot() const { return plot_; }
  const ValueScale& Scale() const { return scale_; }
  bool operator==(const ValueTransform& other) const { return plot_ == other.plot_ && scale_ == other.scale_; }

 private:
  static double PixelsPer(double pixels, double half) {
    const double ratio = pixels / half;
    return half > 0 && std::isfinite(ratio) ? ratio : 0;
  }

  PixelRect plot_;
  ValueScale scale_;
  double bottom_ = 0;
  double pixelsPerHalf_ = 0;
};

}  // namespace velmar

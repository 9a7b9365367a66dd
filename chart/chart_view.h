#pragma once

namespace velmar {

enum class TimeWindow { All, LastMinute, LastTenMinutes, LastHour };

// 0 for All.
double WindowSpanMs(TimeWindow window);

struct TimeRange {
  double startMs = 0;
  double endMs = 0;
  double Span() const { return endMs - startMs; }
};

// The elapsed times of the run's first and newest rows.
struct RunExtent {
  bool hasRows = false;
  double firstMs = 0;
  double lastMs = 0;
};

// Which stretch of the run the chart shows: the chosen window following the newest row (which
// stays near the right edge, the view moving on in steps), or, after zooming or scrolling, a
// fixed range until the user asks to follow again.
class ChartView {
 public:
  static constexpr double kShortestSpanMs = 100;

  TimeWindow Window() const { return window_; }
  bool Following() const { return following_; }
  // Chooses the window and follows the newest row in it.
  void SetWindow(TimeWindow window);
  void FollowNewest() { following_ = true; }

  TimeRange Visible(const RunExtent& run) const;
  // factor < 1 zooms in; the time at `anchor` (0 = left edge, 1 = right edge) stays put.
  void Zoom(double factor, double anchor, const RunExtent& run);
  // By a fraction of the visible span; negative goes into the past.
  void Scroll(double spans, const RunExtent& run);
  // The run's first rows at the current span.
  void ShowStart(const RunExtent& run);

 private:
  void Fix(TimeRange range, const RunExtent& run);

  TimeWindow window_ = TimeWindow::All;
  bool following_ = true;
  TimeRange fixed_;
};

}  // namespace velmar

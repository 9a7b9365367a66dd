#include "chart/chart_view.h"

#include <algorithm>
#include <cmath>

#include "chart/time_labels.h"

namespace velmar {

namespace {

constexpr double kMinute = 60'000;
constexpr double kShortestAllMs = 1000;
// Following, the view moves on by about this part of its span at a time: All by a round step
// of a fifth or more of the run, the windows by a tenth.
constexpr double kAllSteps = 5;
constexpr double kWindowSteps = 10;

}  // namespace

double WindowSpanMs(TimeWindow window) {
  switch (window) {
    case TimeWindow::LastMinute:
      return kMinute;
    case TimeWindow::LastTenMinutes:
      return 10 * kMinute;
    case TimeWindow::LastHour:
      return 60 * kMinute;
    case TimeWindow::All:
      break;
  }
  return 0;
}

void ChartView::SetWindow(TimeWindow window) {
  window_ = window;
  following_ = true;
}

TimeRange ChartView::Visible(const RunExtent& run) const {
  if (!following_) return fixed_;
  const double first = run.hasRows ? run.firstMs : 0;
  const double last = run.hasRows ? run.lastMs : 0;
  const double span = WindowSpanMs(window_);
  // The end moves on in steps, a fraction of the span at a time, so that most rows only add to
  // what is drawn and nothing already drawn moves.
  if (span == 0) {
    const double length = last - first;
    if (length <= kShortestAllMs) return {first, first + kShortestAllMs};
    const double step = RoundTimeStep(length / kAllSteps);
    return {first, first + std::ceil(length / step) * step};
  }
  // Until the run fills the window it grows from the left edge.
  if (last - first < span) return {first, first + span};
  const double step = span / kWindowSteps;
  const double end = first + std::ceil((last - first) / step) * step;
  return {end - span, end};
}

void ChartView::Fix(TimeRange range, const RunExtent& run) {
  const double span = range.Span();
  // Some of the run stays in view: at most half the span beyond either end.
  const double first = run.hasRows ? run.firstMs : 0;
  const double last = run.hasRows ? run.lastMs : 0;
  if (range.endMs > last + span / 2) range = {last + span / 2 - span, last + span / 2};
  if (range.startMs < first - span / 2) range = {first - span / 2, first - span / 2 + span};
  fixed_ = range;
  following_ = false;
}

void ChartView::Zoom(double factor, double anchor, const RunExtent& run) {
  const TimeRange current = Visible(run);
  const double runSpan = run.hasRows ? run.lastMs - run.firstMs : 0;
  const double longest = std::max({2 * runSpan, kMinute, current.Span()});
  const double span = std::clamp(current.Span() * factor, kShortestSpanMs, longest);
  const double anchorMs = current.startMs + std::clamp(anchor, 0.0, 1.0) * current.Span();
  const double start = anchorMs - std::clamp(anchor, 0.0, 1.0) * span;
  Fix({start, start + span}, run);
}

void ChartView::Scroll(double spans, const RunExtent& run) {
  const TimeRange current = Visible(run);
  const double shift = spans * current.Span();
  Fix({current.startMs + shift, current.endMs + shift}, run);
}

void ChartView::ShowStart(const RunExtent& run) {
  const double span = Visible(run).Span();
  const double first = run.hasRows ? run.firstMs : 0;
  Fix({first, first + span}, run);
}

}  // namespace velmar

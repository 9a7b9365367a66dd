#include "chart/chart_view.h"

#include <algorithm>

namespace velmar {

namespace {

constexpr double kMinute = 60'000;

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
  if (span == 0) return {first, std::max(last, first + 1000)};
  // Until the run fills the window it grows from the left edge.
  if (last - first < span) return {first, first + span};
  return {last - span, last};
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

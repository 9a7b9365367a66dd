#include "chart/run_clock.h"

#include <algorithm>
#include <cstdlib>

namespace velmar {

void RunClock::Reset(const LocalDateTime& started) {
  start_ = started;
  anchors_.clear();
}

void RunClock::Observe(int64_t elapsedMs, const LocalDateTime& time) {
  const int64_t clockMs = ClockMilliseconds(time);
  if (anchors_.empty()) {
    start_ = FromClockMilliseconds(clockMs - elapsedMs);
    anchors_.push_back({elapsedMs, clockMs});
    return;
  }
  const Anchor& last = anchors_.back();
  if (std::llabs(clockMs - (last.clockMs + elapsedMs - last.elapsedMs)) < kToleranceMs) return;
  // A bounded list: past its end the newest anchor moves, and the older shifts stay right.
  if (anchors_.size() >= kMaxAnchors) anchors_.pop_back();
  anchors_.push_back({elapsedMs, clockMs});
}

LocalDateTime RunClock::At(int64_t elapsedMs) const {
  if (anchors_.empty()) return AddMilliseconds(start_, elapsedMs);
  auto after = std::upper_bound(anchors_.begin(), anchors_.end(), elapsedMs,
                                [](int64_t ms, const Anchor& anchor) { return ms < anchor.elapsedMs; });
  const Anchor& anchor = after == anchors_.begin() ? anchors_.front() : *std::prev(after);
  return FromClockMilliseconds(anchor.clockMs + elapsedMs - anchor.elapsedMs);
}

}  // namespace velmar

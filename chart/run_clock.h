#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/local_time.h"

namespace velmar {

// The wall clock over a run, from each row's own local time: the clock at an elapsed time is
// the latest anchor's reading plus the time since it. A row whose clock is a second or more
// off that becomes an anchor, so a daylight-saving change or a clock being set shows the
// clock as it was, not as the start plus the elapsed time.
class RunClock {
 public:
  static constexpr int64_t kToleranceMs = 1000;
  static constexpr size_t kMaxAnchors = 4096;

  // Before any row: the run's header time.
  void Reset(const LocalDateTime& started);
  void Observe(int64_t elapsedMs, const LocalDateTime& time);
  // The clock at the run's elapsed time 0.
  const LocalDateTime& Start() const { return start_; }
  LocalDateTime At(int64_t elapsedMs) const;

 private:
  struct Anchor {
    int64_t elapsedMs;
    int64_t clockMs;  // ClockMilliseconds of the reading
  };
  LocalDateTime start_;
  std::vector<Anchor> anchors_;
};

}  // namespace velmar

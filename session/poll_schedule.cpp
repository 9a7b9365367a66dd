#include "session/poll_schedule.h"

#include <algorithm>
#include <cmath>

namespace velmar {

void PollSchedule::PollStarted(double nowMs) {
  if (!started_) {
    started_ = true;
    originMs_ = nowMs;
    slot_ = 0;
    return;
  }
  // A poll takes the slot it runs in: the next one when on time or a little late, a later one
  // when it follows an overrun or a stalled message loop.
  const double elapsed = nowMs - originMs_;
  const uint64_t current = elapsed > 0 ? static_cast<uint64_t>(std::floor(elapsed / intervalMs_)) : 0;
  slot_ = std::max(slot_ + 1, current);
}

uint32_t PollSchedule::DelayAfterPoll(double nowMs) {
  const double next = originMs_ + static_cast<double>(slot_ + 1) * intervalMs_;
  if (nowMs >= next) return 0;
  return static_cast<uint32_t>(std::ceil(next - nowMs));
}

}  // namespace velmar

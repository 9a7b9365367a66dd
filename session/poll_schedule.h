#pragma once
#include <cstdint>

namespace velmar {

// Keeps polls on the grid t0 + k × interval, t0 being the first poll: after each poll the
// timer is armed for the time left to the next grid point, so a timer that rounds its period
// up to the system tick does not make the run slower than asked. A poll that overran grid
// points is followed by one poll at once, as a pending timer message would be, and then by
// the next grid point after it, never by a burst of catch-up polls.
class PollSchedule {
 public:
  explicit PollSchedule(uint32_t intervalMs) : intervalMs_(intervalMs) {}

  // Fine-clock time of a poll's start, in milliseconds.
  void PollStarted(double nowMs);
  // Delay for the timer after a poll that ended at nowMs; 0 means at once.
  uint32_t DelayAfterPoll(double nowMs);

 private:
  uint32_t intervalMs_;
  bool started_ = false;
  double originMs_ = 0;
  // Grid index of the poll that is running.
  uint64_t slot_ = 0;
};

}  // namespace velmar

#include "session/poll_schedule.h"

#include <gtest/gtest.h>

#include <vector>

namespace velmar {
namespace {

// Drives the schedule as the window timer would: each arming fires late by up to a tick of
// 15.6 ms, never early, and a poll takes the given time.
std::vector<double> PollStarts(uint32_t interval, const std::vector<double>& pollDurations) {
  PollSchedule schedule(interval);
  std::vector<double> starts;
  double now = 1000.0;  // the first poll, one interval after Start
  for (size_t i = 0; i < pollDurations.size(); ++i) {
    starts.push_back(now);
    schedule.PollStarted(now);
    now += pollDurations[i];
    const uint32_t delay = schedule.DelayAfterPoll(now);
    const double lateness = 15.6 * static_cast<double>((i * 7) % 10) / 10.0;
    now += (delay == 0 ? 10.0 : delay) + lateness;
  }
  return starts;
}

TEST(PollSchedule, PollsKeepTheIntervalOnAverageWhenTheTimerFiresLate) {
  const std::vector<double> starts = PollStarts(100, std::vector<double>(1000, 4.0));
  const double mean = (starts.back() - starts.front()) / static_cast<double>(starts.size() - 1);
  EXPECT_NEAR(mean, 100.0, 0.05);
  for (size_t i = 0; i < starts.size(); ++i) {
    EXPECT_GE(starts[i] - starts.front(), 100.0 * static_cast<double>(i)) << i;
    EXPECT_LT(starts[i] - starts.front(), 100.0 * static_cast<double>(i) + 17.0) << i;
  }
}

TEST(PollSchedule, AnOverrunGivesOnePollAtOnceThenTheGridAgain) {
  // The third poll waits out a silent instrument for a second.
  const std::vector<double> starts = PollStarts(100, {4, 4, 1012, 4, 4, 4});
  const double origin = starts[0];
  EXPECT_LT(starts[3] - (starts[2] + 1012), 10.0 + 15.6);  // at once, with the timer's minimum and a late tick
  EXPECT_GE(starts[4] - origin, 1300.0);            // then the next grid point after it
  EXPECT_LT(starts[4] - origin, 1317.0);
  EXPECT_GE(starts[5] - origin, 1400.0);
  EXPECT_LT(starts[5] - origin, 1417.0);
}

TEST(PollSchedule, ASilentInstrumentIsPolledBackToBack) {
  const std::vector<double> starts = PollStarts(100, std::vector<double>(5, 1012.0));
  for (size_t i = 1; i < starts.size(); ++i) EXPECT_LT(starts[i] - starts[i - 1], 1012.0 + 10.0 + 15.6);
}

}  // namespace
}  // namespace velmar

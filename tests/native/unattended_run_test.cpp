#include "session/unattended_run.h"

#include <gtest/gtest.h>

namespace velmar {
namespace {

constexpr uint64_t kDayMs = 86'400'000;

UnattendedPlan Plan(bool close, std::optional<int> waitForPort = {}, std::optional<uint64_t> waitLimitMs = {},
                    std::optional<uint64_t> durationMs = {}) {
  UnattendedPlan plan;
  plan.start = true;
  plan.waitForPort = waitForPort;
  plan.waitLimitMs = waitLimitMs;
  plan.durationMs = durationMs;
  plan.closeWhenDone = close;
  return plan;
}

UnattendedSteps Steps(std::optional<int> waitForPort, bool endWait, bool startRun) {
  UnattendedSteps steps;
  steps.waitForPort = waitForPort;
  steps.endWait = endWait;
  steps.startRun = startRun;
  return steps;
}

TEST(UnattendedRun, AMissingPortIsWaitedForAndTheRunStartsOnlyOnceItIsThere) {
  UnattendedRun run(Plan(false, 12));
  EXPECT_EQ(run.Ready(false, 0), Steps(12, false, false));
  for (uint64_t now = 1000; now <= 5000; now += 1000) EXPECT_EQ(run.PortCheck(false, now), UnattendedSteps{});
  EXPECT_EQ(run.PortCheck(true, 6000), Steps(std::nullopt, true, true));
  EXPECT_FALSE(run.WaitedPort());
  EXPECT_EQ(run.PortCheck(true, 7000), UnattendedSteps{});
}

TEST(UnattendedRun, AWaitWithALimitGivesUpAndClosesWithClose) {
  UnattendedRun run(Plan(true, 9, 2000));
  run.Ready(false, 10'000);
  EXPECT_EQ(run.PortCheck(false, 11'999), UnattendedSteps{});
  const UnattendedSteps gaveUp = run.PortCheck(false, 12'000);
  EXPECT_TRUE(gaveUp.endWait && gaveUp.portMissing && gaveUp.closeProgram);
  EXPECT_FALSE(gaveUp.startRun);
}

// A window timer lasts at most 24.8 days: a 30-day run is stopped by re-arming, not early, not never.
TEST(UnattendedRun, ADeadlinePastAWindowTimersLimitIsReArmedUntilItIsDue) {
  UnattendedRun run(Plan(true, {}, {}, 30 * kDayMs));
  EXPECT_TRUE(run.Ready(true, 0).startRun);
  const uint64_t started = uint64_t{5} << 32;
  EXPECT_EQ(run.RunStarted(true, started).armDeadlineMs, UnattendedRun::kLongestTimerMs);
  const uint64_t firstFire = started + UnattendedRun::kLongestTimerMs;
  const UnattendedSteps again = run.DeadlineTimer(firstFire);
  EXPECT_FALSE(again.stopRun);
  EXPECT_EQ(again.armDeadlineMs, 30 * kDayMs - UnattendedRun::kLongestTimerMs);
  EXPECT_TRUE(run.DeadlineTimer(started + 30 * kDayMs).stopRun);
  EXPECT_TRUE(run.RunEnded().closeProgram);
  // A later run by hand has no deadline.
  EXPECT_EQ(run.RunStarted(true, started + 31 * kDayMs), UnattendedSteps{});
}

TEST(UnattendedRun, CloseFollowsAFailedStartAndAStopDuringTheWait) {
  UnattendedRun failed(Plan(true));
  EXPECT_TRUE(failed.RunStarted(false, 0).closeProgram);

  UnattendedRun waiting(Plan(true, 3));
  waiting.Ready(false, 0);
  const UnattendedSteps stopped = waiting.RunEnded();
  EXPECT_TRUE(stopped.endWait && stopped.closeProgram);

  UnattendedRun attended(UnattendedPlan{});
  EXPECT_EQ(attended.Ready(true, 0), UnattendedSteps{});
  EXPECT_FALSE(attended.RunEnded().closeProgram);
}

}  // namespace
}  // namespace velmar

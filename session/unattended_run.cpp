#include "session/unattended_run.h"

#include <algorithm>

namespace velmar {

UnattendedSteps UnattendedRun::Ready(bool portPresent, uint64_t nowMs) {
  UnattendedSteps steps;
  if (!plan_.start) return steps;
  if (plan_.waitForPort && !portPresent) {
    waitingFor_ = plan_.waitForPort;
    if (plan_.waitLimitMs) waitEndsAt_ = nowMs + *plan_.waitLimitMs;
    steps.waitForPort = waitingFor_;
    return steps;
  }
  steps.startRun = true;
  return steps;
}

UnattendedSteps UnattendedRun::PortCheck(bool portPresent, uint64_t nowMs) {
  UnattendedSteps steps;
  if (!waitingFor_) return steps;
  if (portPresent) {
    waitingFor_.reset();
    steps.endWait = true;
    steps.startRun = true;
    return steps;
  }
  if (waitEndsAt_ && nowMs >= *waitEndsAt_) {
    waitingFor_.reset();
    steps.endWait = true;
    steps.portMissing = true;
    steps.closeProgram = plan_.closeWhenDone;
  }
  return steps;
}

UnattendedSteps UnattendedRun::RunStarted(bool started, uint64_t nowMs) {
  UnattendedSteps steps;
  if (!started) {
    steps.closeProgram = plan_.closeWhenDone;
    return steps;
  }
  // The duration is for the run the command line starts, not for a later one by hand.
  if (plan_.durationMs && !durationUsed_) {
    durationUsed_ = true;
    deadline_ = nowMs + *plan_.durationMs;
    return ArmFor(nowMs);
  }
  return steps;
}

UnattendedSteps UnattendedRun::DeadlineTimer(uint64_t nowMs) {
  if (!deadline_) return {};
  if (nowMs >= *deadline_) {
    deadline_.reset();
    UnattendedSteps steps;
    steps.stopRun = true;
    return steps;
  }
  return ArmFor(nowMs);
}

UnattendedSteps UnattendedRun::RunEnded() {
  UnattendedSteps steps;
  deadline_.reset();
  if (waitingFor_) {
    waitingFor_.reset();
    steps.endWait = true;
  }
  steps.closeProgram = plan_.closeWhenDone;
  return steps;
}

UnattendedSteps UnattendedRun::ArmFor(uint64_t nowMs) const {
  UnattendedSteps steps;
  steps.armDeadlineMs = static_cast<uint32_t>(std::min<uint64_t>(*deadline_ - nowMs, kLongestTimerMs));
  return steps;
}

}  // namespace velmar

#include "publish/link_plan.h"

#include <algorithm>
#include <limits>

namespace velmar {

LinkPlan::Step LinkPlan::Next(uint64_t now) const {
  if (phase_ == Phase::Down && now >= nextAttempt_) return Step::Connect;
  if (phase_ == Phase::Connecting && now - attemptStarted_ >= timing_.connectTimeoutMs) return Step::GiveUp;
  return Step::Wait;
}

void LinkPlan::Attempted(uint64_t now) {
  phase_ = Phase::Connecting;
  attemptStarted_ = now;
}

void LinkPlan::Accepted() {
  phase_ = Phase::Up;
  retryMs_ = timing_.firstRetryMs;
}

void LinkPlan::Failed(uint64_t now) {
  if (phase_ == Phase::Down) return;
  phase_ = Phase::Down;
  nextAttempt_ = now + retryMs_;
  retryMs_ = std::min(retryMs_ * 2, timing_.longestRetryMs);
}

uint64_t LinkPlan::IdleMs(uint64_t now) const {
  switch (phase_) {
    case Phase::Down:
      return nextAttempt_ > now ? nextAttempt_ - now : 0;
    case Phase::Connecting: {
      const uint64_t due = attemptStarted_ + timing_.connectTimeoutMs;
      return due > now ? due - now : 0;
    }
    case Phase::Up:
      break;
  }
  return std::numeric_limits<uint64_t>::max();
}

}  // namespace velmar

#pragma once
#include <cstdint>

namespace velmar {

struct LinkTiming {
  uint64_t firstRetryMs = 1000;
  uint64_t longestRetryMs = 30000;
  // A connection not accepted by then is given up, whatever the socket says: a SYN into a
  // pulled cable may never be answered.
  uint64_t connectTimeoutMs = 10000;
};

// When the network thread connects, gives an attempt up, and tries again: the delay doubles
// from the first to the longest and starts over once a connection is accepted.
class LinkPlan {
 public:
  enum class Step { Wait, Connect, GiveUp };

  explicit LinkPlan(LinkTiming timing = {}) : timing_(timing), retryMs_(timing.firstRetryMs) {}

  Step Next(uint64_t now) const;
  void Attempted(uint64_t now);
  void Accepted();
  // A connect call that failed, a refusal, a time-out or a lost connection; once per attempt.
  void Failed(uint64_t now);
  bool Connected() const { return phase_ == Phase::Up; }
  bool Down() const { return phase_ == Phase::Down; }
  // How long nothing is due.
  uint64_t IdleMs(uint64_t now) const;

 private:
  enum class Phase { Down, Connecting, Up };

  LinkTiming timing_;
  Phase phase_ = Phase::Down;
  uint64_t retryMs_;
  uint64_t nextAttempt_ = 0;
  uint64_t attemptStarted_ = 0;
};

}  // namespace velmar

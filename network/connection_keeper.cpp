#include "network/connection_keeper.h"

namespace velmar {

ConnectionKeeper::Steps ConnectionKeeper::Connect(uint64_t nowMs) {
  if (state_ != State::Closed) return {};
  return Attempt(nowMs);
}

ConnectionKeeper::Steps ConnectionKeeper::KeepUp(uint64_t nowMs) {
  if (state_ != State::Closed) return {};
  if (failedAttemptAt_ && nowMs - *failedAttemptAt_ < kRetryGapMs) return {};
  return Attempt(nowMs);
}

void ConnectionKeeper::AttemptEnded(bool connected) {
  if (state_ != State::Connecting) return;
  state_ = connected ? State::Open : State::Closed;
  silentPolls_ = 0;
  if (connected) {
    failedAttemptAt_.reset();
  } else {
    failedAttemptAt_ = attemptAt_;
  }
}

ConnectionKeeper::Steps ConnectionKeeper::Lost() {
  if (state_ != State::Open) return {};
  state_ = State::Closed;
  return {true, false};
}

ConnectionKeeper::Steps ConnectionKeeper::Replied(bool silent, uint64_t nowMs) {
  if (state_ != State::Open) return {};
  silentPolls_ = silent ? silentPolls_ + 1 : 0;
  if (silentPolls_ < kSilentPollsBeforeReconnect) return {};
  Steps steps = Attempt(nowMs);
  steps.drop = true;
  return steps;
}

ConnectionKeeper::Steps ConnectionKeeper::Close() {
  const bool held = state_ != State::Closed;
  state_ = State::Closed;
  failedAttemptAt_.reset();
  return {held, false};
}

ConnectionKeeper::Steps ConnectionKeeper::Attempt(uint64_t nowMs) {
  state_ = State::Connecting;
  attemptAt_ = nowMs;
  silentPolls_ = 0;
  return {false, true};
}

}  // namespace velmar

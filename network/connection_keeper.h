#pragma once
#include <cstdint>
#include <optional>

namespace velmar {

// Polls in a row that a connection may stay silent before it is taken for dead: a device server
// rebooted or an instrument power-cycled leaves a socket that looks open and answers nothing.
inline constexpr int kSilentPollsBeforeReconnect = 3;
// While the instrument cannot be reached, attempts begin at most this often.
inline constexpr uint64_t kRetryGapMs = 1000;

// The life of a network instrument's connection as decisions: when to make it, when it is
// lost, when a silent one is given up and made again. The channel carries the steps out.
class ConnectionKeeper {
 public:
  enum class State { Closed, Connecting, Open };

  struct Steps {
    bool drop = false;     // close the connection
    bool attempt = false;  // begin connecting, in the background

    bool operator==(const Steps&) const = default;
  };

  // Start wants the connection now: an attempt unless one is under way or it is open.
  Steps Connect(uint64_t nowMs);
  // A poll or a wait wants it: the same, but after a failed attempt not before kRetryGapMs.
  Steps KeepUp(uint64_t nowMs);
  void AttemptEnded(bool connected);
  // The peer closed or reset the connection, or a send failed.
  Steps Lost();
  // A poll's reply came, or nothing did: the third silent poll in a row drops the connection
  // and makes it again at once.
  Steps Replied(bool silent, uint64_t nowMs);
  // Nothing is wanted any more (Stop, another instrument); an attempt under way is abandoned.
  Steps Close();

  State Now() const { return state_; }

 private:
  Steps Attempt(uint64_t nowMs);

  State state_ = State::Closed;
  int silentPolls_ = 0;
  std::optional<uint64_t> failedAttemptAt_;
  uint64_t attemptAt_ = 0;
};

}  // namespace velmar

#pragma once
#include <cstdint>
#include <optional>

namespace velmar {

// What the command line asks of a run nobody attends.
struct UnattendedPlan {
  bool start = false;
  // The port to wait for before starting, when it is not present yet; 0 for a network
  // instrument, which the window names and looks for.
  std::optional<int> waitForPort;
  // How long to wait for it at most; without, the wait lasts until Stop.
  std::optional<uint64_t> waitLimitMs;
  // Stops the run the command line starts, counted from its successful start.
  std::optional<uint64_t> durationMs;
  bool closeWhenDone = false;
};

// What the window is to do after an event, in this order.
struct UnattendedSteps {
  // Show "Waiting for COMn...", keep Stop available and look for the port.
  std::optional<int> waitForPort;
  // The wait is over: the controls come back, the port check stops.
  bool endWait = false;
  // The waited port never came within its limit.
  bool portMissing = false;
  bool startRun = false;
  // Arm the deadline timer for this many milliseconds (a window timer takes at most 2^31 - 1;
  // a longer deadline is reached by arming again).
  std::optional<uint32_t> armDeadlineMs;
  bool stopRun = false;
  bool closeProgram = false;

  bool operator==(const UnattendedSteps&) const = default;
};

// The unattended run as a state machine: waiting for the port, the deadline of /duration and
// its re-arming past a window timer's 24.8-day limit, and /close. Events come in with the
// 64-bit millisecond clock; the steps say what to do.
class UnattendedRun {
 public:
  static constexpr uint32_t kLongestTimerMs = 0x7FFFFFFF;

  explicit UnattendedRun(UnattendedPlan plan) : plan_(plan) {}

  // The window is up and the switches applied.
  UnattendedSteps Ready(bool portPresent, uint64_t nowMs);
  // The port list changed, or the wait's periodic look for the port.
  UnattendedSteps PortCheck(bool portPresent, uint64_t nowMs);
  // What became of a Start the steps asked for.
  UnattendedSteps RunStarted(bool started, uint64_t nowMs);
  // The deadline timer fired.
  UnattendedSteps DeadlineTimer(uint64_t nowMs);
  // The run ended by Stop or by the deadline's stop; also Stop during the wait.
  UnattendedSteps RunEnded();

  const std::optional<int>& WaitedPort() const { return waitingFor_; }

 private:
  UnattendedSteps ArmFor(uint64_t nowMs) const;

  UnattendedPlan plan_;
  std::optional<int> waitingFor_;
  std::optional<uint64_t> waitEndsAt_;
  bool durationUsed_ = false;
  std::optional<uint64_t> deadline_;
};

}  // namespace velmar

#pragma once
#include <cstdint>

namespace velmar {

// The system calls behind one overlapped request, so every path through it can be driven by a
// scripted request in tests: under Wine a read never goes pending while bytes wait.
class OverlappedCalls {
 public:
  enum class Start { Completed, Pending, Failed };

  virtual ~OverlappedCalls() = default;
  // Issues the request; on Completed, `transferred` holds its count.
  virtual Start Issue(uint32_t& transferred) = 0;
  // True when the request's event is signalled within waitMs.
  virtual bool WaitSignalled(uint32_t waitMs) = 0;
  // The result of a request whose event is signalled; false when it ended in failure.
  virtual bool Result(uint32_t& transferred) = 0;
  virtual void Cancel() = 0;
};

enum class RequestEnd {
  Completed,      // transferred holds the count, also for a request that beat its cancel
  FailedToStart,  // the call itself refused the request
  Failed,         // it went pending and then ended without transferring (cancelled, or an error)
  InFlight,       // not even the cancel ended it: its record and buffer belong to the driver still
};

struct RequestOutcome {
  RequestEnd end = RequestEnd::Failed;
  uint32_t transferred = 0;
};

// How long a cancelled request may take to be collected before the port is given up.
inline constexpr uint32_t kCancelWaitMs = 1000;

// Issues a request and waits for it at most waitMs; a request still pending then is cancelled
// and collected within kCancelWaitMs. Never waits without a limit.
RequestOutcome RunRequest(OverlappedCalls& calls, uint32_t waitMs);

}  // namespace velmar

#include "serial/overlapped_request.h"

namespace velmar {
namespace {

RequestOutcome Collected(OverlappedCalls& calls) {
  uint32_t transferred = 0;
  if (calls.Result(transferred)) return {RequestEnd::Completed, transferred};
  return {RequestEnd::Failed, 0};
}

}  // namespace

RequestOutcome RunRequest(OverlappedCalls& calls, uint32_t waitMs) {
  uint32_t transferred = 0;
  switch (calls.Issue(transferred)) {
    case OverlappedCalls::Start::Completed:
      return {RequestEnd::Completed, transferred};
    case OverlappedCalls::Start::Failed:
      return {RequestEnd::FailedToStart, 0};
    case OverlappedCalls::Start::Pending:
      break;
  }
  if (calls.WaitSignalled(waitMs)) return Collected(calls);
  calls.Cancel();
  // A request that completed between the wait and the cancel keeps what it transferred.
  if (calls.WaitSignalled(kCancelWaitMs)) return Collected(calls);
  return {RequestEnd::InFlight, 0};
}

}  // namespace velmar

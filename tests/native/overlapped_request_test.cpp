#include "serial/overlapped_request.h"

#include <gtest/gtest.h>

#include <optional>

namespace velmar {
namespace {

// A request scripted by when it completes, on a 64-bit clock that only the waits move, so an
// endless wait shows as one, not as a wrapped small number.
class ScriptedRequest final : public OverlappedCalls {
 public:
  Start start = Start::Pending;
  uint32_t bytes = 1;
  // Milliseconds after the issue at which it completes; none: only the cancel can end it.
  std::optional<uint32_t> completesAt;
  // Whether the cancel ends it (with failure) at once; false: a driver that ignores the cancel.
  bool cancelEndsIt = true;

  uint64_t waited = 0;
  int waits = 0;
  bool cancelled = false;
  bool resultBeforeEnd = false;

  Start Issue(uint32_t& transferred) override {
    if (start == Start::Completed) transferred = bytes;
    return start;
  }
  bool WaitSignalled(uint32_t waitMs) override {
    ++waits;
    if (Ended()) return true;
    if (completesAt && *completesAt <= waited + waitMs) {
      waited = *completesAt;
      return true;
    }
    waited += waitMs;
    return Ended();
  }
  bool Result(uint32_t& transferred) override {
    if (!Ended()) resultBeforeEnd = true;
    if (!Completed()) return false;
    transferred = bytes;
    return true;
  }
  void Cancel() override { cancelled = true; }

 private:
  bool Completed() const { return completesAt && *completesAt <= waited; }
  bool Ended() const { return Completed() || (cancelled && cancelEndsIt); }
};

TEST(OverlappedRequest, ARequestThatCompletesAtOnceNeedsNoWait) {
  ScriptedRequest request;
  request.start = OverlappedCalls::Start::Completed;
  const RequestOutcome outcome = RunRequest(request, 50);
  EXPECT_EQ(outcome.end, RequestEnd::Completed);
  EXPECT_EQ(outcome.transferred, 1u);
  EXPECT_EQ(request.waits, 0);
}

TEST(OverlappedRequest, AByteThatArrivesDuringTheWaitIsKept) {
  ScriptedRequest request;
  request.completesAt = 20;
  const RequestOutcome outcome = RunRequest(request, 50);
  EXPECT_EQ(outcome.end, RequestEnd::Completed);
  EXPECT_EQ(outcome.transferred, 1u);
  EXPECT_FALSE(request.cancelled);
}

TEST(OverlappedRequest, AByteThatArrivesBeforeTheCancelTakesEffectIsKept) {
  ScriptedRequest request;
  request.completesAt = 60;
  request.cancelEndsIt = false;
  const RequestOutcome outcome = RunRequest(request, 50);
  EXPECT_TRUE(request.cancelled);
  EXPECT_EQ(outcome.end, RequestEnd::Completed);
  EXPECT_EQ(outcome.transferred, 1u);
  EXPECT_FALSE(request.resultBeforeEnd);
}

TEST(OverlappedRequest, ACancelledRequestEndsWithNothingTransferred) {
  ScriptedRequest request;
  const RequestOutcome outcome = RunRequest(request, 50);
  EXPECT_TRUE(request.cancelled);
  EXPECT_EQ(outcome.end, RequestEnd::Failed);
  EXPECT_EQ(outcome.transferred, 0u);
}

TEST(OverlappedRequest, ARequestThatNeverEndsIsGivenUpWithinItsBound) {
  ScriptedRequest request;
  request.cancelEndsIt = false;
  const RequestOutcome outcome = RunRequest(request, 50);
  EXPECT_EQ(outcome.end, RequestEnd::InFlight);
  // The wait, then at most a second for the cancel to be collected.
  EXPECT_LE(request.waited, 50u + 1000u);
  EXPECT_FALSE(request.resultBeforeEnd);
}

TEST(OverlappedRequest, ARefusedRequestIsReportedAsSuch) {
  ScriptedRequest request;
  request.start = OverlappedCalls::Start::Failed;
  EXPECT_EQ(RunRequest(request, 50).end, RequestEnd::FailedToStart);
  EXPECT_EQ(request.waits, 0);
}

}  // namespace
}  // namespace velmar

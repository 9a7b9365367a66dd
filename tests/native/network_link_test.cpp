#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "network/connect_attempt.h"
#include "network/connection_keeper.h"
#include "network/network_exchange.h"

namespace velmar {
namespace {

// A peer whose chunks arrive at given times; each receive takes all that has arrived.
class ScriptedPeer final : public StreamSource {
 public:
  struct Chunk {
    uint64_t at;
    std::string bytes;
  };
  explicit ScriptedPeer(std::deque<Chunk> chunks, bool closesAfter = false)
      : chunks_(std::move(chunks)), closesAfter_(closesAfter) {}

  Received Receive(char* buffer, size_t size, uint32_t waitMs) override {
    ++receives;
    if (chunks_.empty() && closesAfter_) return {Received::Status::Closed, 0};
    if (chunks_.empty() || chunks_.front().at > now_ + waitMs) {
      now_ += waitMs;
      return {};
    }
    now_ = std::max(now_, chunks_.front().at);
    size_t taken = 0;
    while (!chunks_.empty() && chunks_.front().at <= now_ && taken < size) {
      std::string& bytes = chunks_.front().bytes;
      const size_t n = std::min(bytes.size(), size - taken);
      bytes.copy(buffer + taken, n);
      taken += n;
      bytes.erase(0, n);
      if (bytes.empty()) chunks_.pop_front();
    }
    return {Received::Status::Data, taken};
  }
  uint64_t NowMs() override { return now_; }
  // The next poll comes this much later.
  void Pass(uint64_t ms) { now_ += ms; }

  int receives = 0;

 private:
  std::deque<Chunk> chunks_;
  bool closesAfter_;
  uint64_t now_ = 0;
};

// Polls 500 ms apart, each dropping what came unasked before it reads; the replies come after.
std::vector<std::string> Replies(std::deque<ScriptedPeer::Chunk> chunks, int count) {
  ScriptedPeer peer(std::move(chunks));
  std::vector<std::string> replies;
  for (int i = 0; i < count; ++i) {
    const uint64_t start = peer.NowMs();
    DropStaleBytes(peer);
    replies.push_back(ReadNetworkReply(peer, 1000).text);
    peer.Pass(start + 500 > peer.NowMs() ? start + 500 - peer.NowMs() : 0);
  }
  return replies;
}

TEST(NetworkReplyTest, EndsAtCrLfOrCrLfWhereverTheChunksSplitThem) {
  using V = std::vector<std::string>;
  // CR LF split between two reads: the LF that comes after the next query is no empty reply.
  EXPECT_EQ(Replies({{1, "1.23\r"}, {510, "\n"}, {520, "4.5\r\n"}}, 2), (V{"1.23", "4.5"}));
  EXPECT_EQ(Replies({{1, "1.23\r\n9"}, {510, "4.5\n"}}, 2), (V{"1.23", "4.5"}));
  EXPECT_EQ(Replies({{1, "1."}, {5, "23"}, {6, "\n"}}, 1), (V{"1.23"}));
  EXPECT_EQ(Replies({{1, "\n\r\n7"}, {3, "\r"}}, 1), (V{"7"}));
  // A reply that runs past the deadline is cut there.
  EXPECT_EQ(Replies({{1, "25.0"}, {1200, "03\r\n"}}, 1), (V{"25.0"}));
}

TEST(NetworkReplyTest, ReadsWhatHasArrivedInOneCallAndKeepsNulBytes) {
  ScriptedPeer peer({{0, std::string("1.5\0,2,3,4,5,6\r\n", 16)}});
  EXPECT_EQ(ReadNetworkReply(peer, 1000).text, std::string("1.5\0,2,3,4,5,6", 14));
  EXPECT_EQ(peer.receives, 1);
}

TEST(NetworkReplyTest, AFloodCostsTheBoundAndWhatCameUnaskedIsDroppedBeforeTheQuery) {
  ScriptedPeer flood({{0, std::string(3 * kMaxNetworkReplyBytes, 'x')}});
  EXPECT_EQ(ReadNetworkReply(flood, 1000).text.size(), kMaxNetworkReplyBytes);
  ScriptedPeer greeting({{0, "Welcome\r\n> "}, {50, "0\r\n"}});
  EXPECT_TRUE(DropStaleBytes(greeting));
  EXPECT_EQ(greeting.NowMs(), 0u);
  EXPECT_EQ(ReadNetworkReply(greeting, 1000).text, "0");
}

TEST(NetworkReplyTest, APeerThatClosesIsLostWithWhatCameBefore) {
  ScriptedPeer peer({{0, "12"}}, true);
  const NetworkReply reply = ReadNetworkReply(peer, 1000);
  EXPECT_EQ(reply.text, "12");
  EXPECT_TRUE(reply.lost);
  ScriptedPeer gone({}, true);
  EXPECT_FALSE(DropStaleBytes(gone));
}

TEST(ConnectionKeeperTest, ConnectsLosesAndComesBack) {
  using Steps = ConnectionKeeper::Steps;
  ConnectionKeeper keeper;
  EXPECT_EQ(keeper.Connect(0), (Steps{false, true}));
  EXPECT_EQ(keeper.KeepUp(10), Steps{});
  keeper.AttemptEnded(false);
  // A refused attempt is made again no sooner than the retry gap.
  EXPECT_EQ(keeper.KeepUp(kRetryGapMs - 1), Steps{});
  EXPECT_EQ(keeper.KeepUp(kRetryGapMs), (Steps{false, true}));
  keeper.AttemptEnded(true);
  EXPECT_EQ(keeper.Now(), ConnectionKeeper::State::Open);
  EXPECT_EQ(keeper.Lost(), (Steps{true, false}));
  EXPECT_EQ(keeper.KeepUp(kRetryGapMs + 1), (Steps{false, true}));
  keeper.AttemptEnded(true);
  EXPECT_EQ(keeper.Close(), (Steps{true, false}));
  EXPECT_EQ(keeper.Now(), ConnectionKeeper::State::Closed);
}

TEST(ConnectionKeeperTest, ThreeSilentPollsInARowDropTheConnectionAndMakeItAgain) {
  using Steps = ConnectionKeeper::Steps;
  ConnectionKeeper keeper;
  keeper.Connect(0);
  keeper.AttemptEnded(true);
  EXPECT_EQ(keeper.Replied(true, 100), Steps{});
  EXPECT_EQ(keeper.Replied(false, 200), Steps{});
  EXPECT_EQ(keeper.Replied(true, 300), Steps{});
  EXPECT_EQ(keeper.Replied(true, 400), Steps{});
  EXPECT_EQ(keeper.Replied(true, 500), (Steps{true, true}));
  EXPECT_EQ(keeper.Now(), ConnectionKeeper::State::Connecting);
  // A stale attempt's end after Stop changes nothing.
  keeper.Close();
  keeper.AttemptEnded(true);
  EXPECT_EQ(keeper.Now(), ConnectionKeeper::State::Closed);
}

// A network scripted per address: what each lookup and connect says, and how long it takes.
class ScriptedNetwork final : public ConnectCalls {
 public:
  ConnectResult lookup;
  std::vector<std::pair<ConnectResult, uint64_t>> addresses;
  std::vector<uint32_t> waits;

  ConnectResult Lookup(const NetworkAddress&, size_t& found) override {
    found = addresses.size();
    return lookup;
  }
  ConnectResult TryAddress(size_t index, uint32_t waitMs) override {
    waits.push_back(waitMs);
    now_ += std::min<uint64_t>(addresses[index].second, waitMs);
    return addresses[index].second > waitMs ? ConnectResult{ConnectFailure::NoAnswer, 0} : addresses[index].first;
  }
  uint64_t NowMs() override { return now_; }

 private:
  uint64_t now_ = 0;
};

TEST(ConnectAttemptTest, TriesEachAddressWithinOneBoundAndSaysWhyItFailed) {
  ScriptedNetwork notFound;
  notFound.lookup = {ConnectFailure::HostNotFound, 0};
  EXPECT_EQ(ConnectFailureText(RunConnectAttempt(notFound, {L"nosuchhost", 5025})), L"host not found");
  EXPECT_TRUE(notFound.waits.empty());

  ScriptedNetwork secondAnswers;
  secondAnswers.addresses = {{{ConnectFailure::Refused, 0}, 1}, {{}, 2}};
  EXPECT_TRUE(RunConnectAttempt(secondAnswers, {L"localhost", 5025}).Connected());

  ScriptedNetwork silent;
  silent.addresses = {{{}, 4000}, {{}, 4000}};
  silent.addresses[0].first = {ConnectFailure::NoAnswer, 0};
  const ConnectResult result = RunConnectAttempt(silent, {L"labpi", 4001});
  EXPECT_EQ(ConnectFailureText(result), L"no answer within 5 s");
  EXPECT_EQ(silent.waits, (std::vector<uint32_t>{kConnectTimeoutMs, kConnectTimeoutMs - 4000}));

  ScriptedNetwork refused;
  refused.addresses = {{{ConnectFailure::Refused, 0}, 1}};
  EXPECT_EQ(ConnectFailureText(RunConnectAttempt(refused, {L"127.0.0.1", 1})), L"connection refused");
  EXPECT_EQ(ConnectFailureText({ConnectFailure::Other, 10050}), L"error 10050");
}

}  // namespace
}  // namespace velmar

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "network/network_exchange.h"
#include "network/reply_line_splitter.h"
#include "serial/reply_reader.h"

namespace {

struct Arrival {
  uint64_t at;  // ms after the first read starts
  char byte;
};

struct Script {
  bool defaultTimeout;
  uint32_t timeoutMs;
  std::vector<Arrival> arrivals;
  std::array<uint32_t, 4> sleepMs;  // a 1 ms sleep may last up to one 16 ms timer period
  uint8_t pollCostBits;             // which empty polls cost a millisecond; never all free
};

Script ScriptFromInput(FuzzedDataProvider& input) {
  Script script{};
  script.defaultTimeout = input.ConsumeBool();
  script.timeoutMs = script.defaultTimeout ? velmar::kReplyTimeoutMs
                                           : input.ConsumeIntegralInRange<uint32_t>(1, 2000);
  for (uint32_t& ms : script.sleepMs) ms = input.ConsumeIntegralInRange<uint32_t>(1, 16);
  script.pollCostBits = input.ConsumeIntegral<uint8_t>() | 1;
  // The settings come from the end of the input; the front is (gap, byte) pairs. Gaps are
  // exact up to 127 ms and coarse beyond, so one pair can span a whole deadline.
  const std::vector<uint8_t> pairs = input.ConsumeRemainingBytes<uint8_t>();
  uint64_t at = 0;
  for (std::size_t i = 0; i + 1 < pairs.size(); i += 2) {
    at += pairs[i] < 128 ? pairs[i] : (pairs[i] - 127u) * 16;
    script.arrivals.push_back({at, static_cast<char>(pairs[i + 1])});
  }
  return script;
}

// Model time runs in 64 bits from zero; only the tick the reader sees wraps. Taking a byte the
// driver already holds costs nothing, so every byte that arrived before the deadline is owed.
class ScriptedSource final : public velmar::ReplySource {
 public:
  ScriptedSource(const Script& script, uint32_t startTick)
      : script_(script), startTick_(startTick) {}

  bool ReadByte(char& byte) override {
    if (next_ < script_.arrivals.size() && script_.arrivals[next_].at <= now_) {
      byte = script_.arrivals[next_++].byte;
      return true;
    }
    if ((script_.pollCostBits >> (emptyPolls_++ % 8)) & 1) ++now_;
    return false;
  }
  uint32_t TickCount() override { return static_cast<uint32_t>(startTick_ + now_); }
  void SleepOneMs() override { now_ += script_.sleepMs[sleeps_++ % script_.sleepMs.size()]; }

  uint64_t Now() const { return now_; }
  std::size_t Consumed() const { return next_; }

 private:
  const Script& script_;
  uint32_t startTick_;
  uint64_t now_ = 0;
  std::size_t next_ = 0;
  std::size_t emptyPolls_ = 0;
  std::size_t sleeps_ = 0;
};

struct Outcome {
  std::vector<std::string> replies;
  uint64_t endedAt;
  bool operator==(const Outcome&) const = default;
};

// Reads replies until the script is used up (four at most), checking each against what the
// arrivals owe.
Outcome ReadAll(const Script& script, uint32_t startTick) {
  ScriptedSource source(script, startTick);
  Outcome outcome{};
  const auto& arrivals = script.arrivals;
  do {
    const uint64_t deadline = source.Now() + script.timeoutMs;
    const std::size_t first = source.Consumed();
    std::string owed;
    bool endsAtCr = false;
    std::size_t end = first;
    for (; end < arrivals.size() && arrivals[end].at < deadline; ++end) {
      if (arrivals[end].byte == '\r') {
        endsAtCr = true;
        ++end;
        break;
      }
      if (arrivals[end].byte != '\n') owed.push_back(arrivals[end].byte);
    }

    const std::string reply = script.defaultTimeout
                                  ? velmar::ReadReplyLine(source)
                                  : velmar::ReadReplyLine(source, script.timeoutMs);
    FUZZ_CHECK(reply.find_first_of("\r\n") == std::string::npos);
    FUZZ_CHECK(reply == owed);
    FUZZ_CHECK(source.Consumed() == end);
    // The last poll before the deadline may cost one more millisecond.
    FUZZ_CHECK(source.Now() <= deadline + 1);
    if (!endsAtCr) FUZZ_CHECK(source.Now() >= deadline);
    outcome.replies.push_back(reply);
  } while (source.Consumed() < arrivals.size() && outcome.replies.size() < 4);
  outcome.endedAt = source.Now();
  return outcome;
}

// The network reader's framing, from the same arrivals: chunks end where time passes between
// two bytes. The replies a splitter gives must not depend on where the chunks end: they are the
// stream's non-empty lines, each cut into pieces of at most maxBytes.
void CheckNetworkSplitting(const Script& script, std::size_t maxBytes) {
  std::vector<std::string> expected;
  std::string line;
  for (const Arrival& arrival : script.arrivals) {
    if (arrival.byte == '\r' || arrival.byte == '\n') {
      if (!line.empty()) expected.push_back(line);
      line.clear();
      continue;
    }
    line.push_back(arrival.byte);
    if (line.size() == maxBytes) {
      expected.push_back(line);
      line.clear();
    }
  }
  std::vector<std::string> replies;
  velmar::ReplyLineSplitter splitter(maxBytes);
  std::string chunk;
  for (std::size_t i = 0; i < script.arrivals.size(); ++i) {
    chunk.push_back(script.arrivals[i].byte);
    if (i + 1 < script.arrivals.size() && script.arrivals[i + 1].at == script.arrivals[i].at) continue;
    for (std::string_view rest = chunk; !rest.empty();) {
      rest.remove_prefix(splitter.Feed(rest));
      if (splitter.Complete()) replies.push_back(splitter.Take());
    }
    chunk.clear();
  }
  FUZZ_CHECK(replies == expected);
}

// The reader over the same arrivals, each receive taking all that has arrived: a reply within
// its bound and deadline, no line end in it, made of bytes that arrived.
class ChunkedPeer final : public velmar::StreamSource {
 public:
  explicit ChunkedPeer(const Script& script) : script_(script) {}
  velmar::Received Receive(char* buffer, std::size_t size, uint32_t waitMs) override {
    const auto& arrivals = script_.arrivals;
    if (next_ >= arrivals.size() || arrivals[next_].at > now_ + waitMs) {
      now_ += waitMs;
      return {};
    }
    now_ = std::max(now_, arrivals[next_].at);
    std::size_t taken = 0;
    while (next_ < arrivals.size() && arrivals[next_].at <= now_ && taken < size) {
      buffer[taken++] = arrivals[next_++].byte;
    }
    return {velmar::Received::Status::Data, taken};
  }
  uint64_t NowMs() override { return now_; }
  bool Done() const { return next_ >= script_.arrivals.size(); }

 private:
  const Script& script_;
  uint64_t now_ = 0;
  std::size_t next_ = 0;
};

void CheckNetworkReader(const Script& script, std::size_t maxBytes) {
  ChunkedPeer peer(script);
  std::string stream;
  for (const Arrival& arrival : script.arrivals) stream.push_back(arrival.byte);
  for (int read = 0; read < 4 && !peer.Done(); ++read) {
    const uint64_t start = peer.NowMs();
    const velmar::NetworkReply reply = velmar::ReadNetworkReply(peer, script.timeoutMs, maxBytes);
    FUZZ_CHECK(!reply.lost);
    FUZZ_CHECK(reply.text.size() <= maxBytes);
    FUZZ_CHECK(reply.text.find_first_of("\r\n") == std::string::npos);
    FUZZ_CHECK(stream.find(reply.text) != std::string::npos);
    FUZZ_CHECK(peer.NowMs() <= start + script.timeoutMs);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const uint32_t startTick = input.ConsumeIntegral<uint32_t>();
  const uint32_t beforeWrap = input.ConsumeIntegral<uint16_t>();
  const std::size_t maxNetworkBytes = input.ConsumeIntegralInRange<std::size_t>(1, 64);
  const Script script = ScriptFromInput(input);

  const Outcome anywhere = ReadAll(script, startTick);
  // Starting just short of the wrap must change nothing.
  const Outcome acrossWrap = ReadAll(script, UINT32_MAX - beforeWrap % (script.timeoutMs + 1));
  FUZZ_CHECK(anywhere == acrossWrap);
  CheckNetworkSplitting(script, maxNetworkBytes);
  CheckNetworkReader(script, maxNetworkBytes);
  return 0;
}

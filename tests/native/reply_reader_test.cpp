#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>

#include "serial/reply_reader.h"

namespace {

// An instrument that delivers scripted bytes at given ticks, and a clock that moves only
// when the reader sleeps or polls, so every case is exact and instant.
class ScriptedInstrument final : public velmar::ReplySource {
 public:
  explicit ScriptedInstrument(uint32_t start) : now_(start), start_(start) {}

  void At(uint32_t offsetMs, const std::string& bytes) {
    for (char c : bytes) arrivals_.emplace(start_ + offsetMs, c), ++offsetMs;
  }
  bool ReadByte(char& byte) override {
    ++polls_;
    if (polls_ % 4 == 0) ++now_;  // polling without sleeping still costs time
    auto next = arrivals_.begin();
    if (next == arrivals_.end() || static_cast<int32_t>(next->first - now_) > 0) return false;
    byte = next->second;
    arrivals_.erase(next);
    return true;
  }
  uint32_t TickCount() override { return now_; }
  void SleepOneMs() override {
    ++now_;
    ++sleeps_;
    lastSleepAt_ = now_ - start_;
  }

  uint32_t Elapsed() const { return now_ - start_; }
  uint32_t LastSleepAt() const { return lastSleepAt_; }
  size_t Unread() const { return arrivals_.size(); }

 private:
  uint32_t now_;
  uint32_t start_;
  std::multimap<uint32_t, char> arrivals_;
  int polls_ = 0;
  int sleeps_ = 0;
  uint32_t lastSleepAt_ = 0;
};

TEST(ReplyFraming, EndsAtCarriageReturnAndLeavesTheLineFeedForTheNextRead) {
  ScriptedInstrument instrument(5000);
  instrument.At(3, "1.23\r\n");
  EXPECT_EQ(velmar::ReadReplyLine(instrument), "1.23");
  EXPECT_EQ(instrument.Unread(), 1u);
  instrument.At(instrument.Elapsed() + 2, "4.5\r");
  EXPECT_EQ(velmar::ReadReplyLine(instrument), "4.5");
}

TEST(ReplyFraming, DropsLineFeedsAnywhere) {
  ScriptedInstrument instrument(0);
  instrument.At(0, "\n1.\n23\r");
  EXPECT_EQ(velmar::ReadReplyLine(instrument), "1.23");
}

TEST(ReplyFraming, KeepsEveryOtherByteValueIncludingNul) {
  ScriptedInstrument instrument(0);
  std::string bytes;
  for (int b = 0; b < 256; ++b) {
    if (b != '\r' && b != '\n') bytes.push_back(static_cast<char>(b));
  }
  instrument.At(0, bytes + "\r");
  EXPECT_EQ(velmar::ReadReplyLine(instrument), bytes);
}

TEST(ReplyFraming, SilenceGivesEmptyTextAtTheDeadlineWithoutSleepingPastIt) {
  ScriptedInstrument instrument(100);
  EXPECT_EQ(velmar::ReadReplyLine(instrument), "");
  EXPECT_GE(instrument.Elapsed(), 1000u);
  EXPECT_LE(instrument.Elapsed(), 1001u);
  // The last 16 ms are polled without sleeping.
  EXPECT_LE(instrument.LastSleepAt(), 1000u - 16u);
}

TEST(ReplyFraming, ALateReplyIsCutAtTheDeadlineAndItsRestStartsTheNextReply) {
  ScriptedInstrument instrument(0);
  instrument.At(990, "12.5,3");
  instrument.At(1500, ".75\r\n");
  EXPECT_EQ(velmar::ReadReplyLine(instrument), "12.5,3");
  EXPECT_EQ(velmar::ReadReplyLine(instrument), ".75");
}

TEST(ReplyFraming, TheDeadlineHoldsAcrossTheTickWrap) {
  ScriptedInstrument instrument(0xFFFFFF00u);
  EXPECT_EQ(velmar::ReadReplyLine(instrument), "");
  EXPECT_GE(instrument.Elapsed(), 1000u);
  EXPECT_LE(instrument.Elapsed(), 1001u);
}

TEST(ReplyFraming, AStreamOfLineFeedsCannotHoldTheReaderPastTheDeadline) {
  ScriptedInstrument instrument(0);
  instrument.At(0, std::string(5000, '\n'));
  EXPECT_EQ(velmar::ReadReplyLine(instrument), "");
  EXPECT_LE(instrument.Elapsed(), 1001u);
}

}  // namespace

namespace {

TEST(ReplyFraming, AReplyThatIsStreamingInIsReadWithoutSleeping) {
  ScriptedInstrument instrument(0);
  for (int i = 0; i < 300; ++i) instrument.At(0, "x");  // all waiting at once
  instrument.At(0, "\r");
  EXPECT_EQ(velmar::ReadReplyLine(instrument).size(), 300u);
  EXPECT_EQ(instrument.LastSleepAt(), 0u);
}

}  // namespace

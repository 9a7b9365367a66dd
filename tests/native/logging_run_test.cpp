#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "session/logging_run.h"

namespace {

// A serial link whose device can be pulled out and put back between polls.
class FakeLink final : public velmar::PollLink {
 public:
  bool IsOpen() const override { return open_; }
  bool Reopen() override {
    ++reopenAttempts;
    open_ = present;
    return open_;
  }
  bool SendQuery() override {
    if (!present) {
      open_ = false;  // the failed write closes the channel
      return false;
    }
    ++queriesSent;
    return true;
  }
  std::string ReadReply() override {
    ++repliesRead;
    return present ? reply : "";
  }

  void Unplug() { present = false; }
  bool present = true;
  std::string reply = "1.5,0";
  int reopenAttempts = 0;
  int queriesSent = 0;
  int repliesRead = 0;

 private:
  bool open_ = true;
};

TEST(LoggingRun, NumbersPointsFromOneAndTimesThemFromTheFirstPoll) {
  velmar::LoggingRun run;
  FakeLink link;
  run.Begin();
  const auto first = run.Poll(link, 5000);
  const auto second = run.Poll(link, 5100);
  EXPECT_EQ(first.point, 1);
  EXPECT_EQ(first.elapsedMs, 0);
  EXPECT_EQ(second.point, 2);
  EXPECT_EQ(second.elapsedMs, 100);
  EXPECT_EQ(second.reply, "1.5,0");
  EXPECT_EQ(velmar::PollStatusText(second, L"COM12"), "100ms: 1.5,0");

  run.Begin();
  const auto again = run.Poll(link, 9000);
  EXPECT_EQ(again.point, 1);
  EXPECT_EQ(again.elapsedMs, 0);
}

TEST(LoggingRun, ElapsedTimeCountsOnWhereAThirtyTwoBitTickWouldWrap) {
  velmar::LoggingRun run;
  FakeLink link;
  run.Begin();
  run.Poll(link, 0xFFFFFFF0u);
  EXPECT_EQ(run.Poll(link, 0x1'0000'0010u).elapsedMs, 0x20);
  EXPECT_EQ(run.Poll(link, 0x1'8000'0010u).elapsedMs, 0x8000'0020);
}

TEST(LoggingRun, AnOpenChannelIsNeverReopened) {
  velmar::LoggingRun run;
  FakeLink link;
  run.Begin();
  for (uint32_t t = 0; t < 5; ++t) run.Poll(link, t * 100);
  EXPECT_EQ(link.reopenAttempts, 0);
  EXPECT_EQ(link.queriesSent, 5);
}

TEST(LoggingRun, AFailedWriteSkipsTheReplyWaitAndEachLaterPollTriesOneReopen) {
  velmar::LoggingRun run;
  FakeLink link;
  run.Begin();
  run.Poll(link, 0);
  link.Unplug();
  const auto lost = run.Poll(link, 100);
  EXPECT_TRUE(lost.portLost);
  EXPECT_EQ(lost.reply, "");
  EXPECT_EQ(link.repliesRead, 1);
  EXPECT_EQ(velmar::PollStatusText(lost, L"COM12"), "100ms: COM12 lost, reconnecting...");
  EXPECT_EQ(velmar::PollStatusText(lost, L"10.0.0.5:5025"), "100ms: 10.0.0.5:5025 lost, reconnecting...");

  const auto away = run.Poll(link, 200);
  EXPECT_TRUE(away.portLost);
  EXPECT_EQ(away.point, 3);
  EXPECT_EQ(link.reopenAttempts, 1);
  run.Poll(link, 300);
  EXPECT_EQ(link.reopenAttempts, 2);
  EXPECT_EQ(link.queriesSent, 1);

  link.present = true;
  const auto back = run.Poll(link, 400);
  EXPECT_FALSE(back.portLost);
  EXPECT_EQ(back.point, 5);
  EXPECT_EQ(back.elapsedMs, 400);
  EXPECT_EQ(back.reply, "1.5,0");
  EXPECT_EQ(link.reopenAttempts, 3);
  run.Poll(link, 500);
  EXPECT_EQ(link.reopenAttempts, 3);
}

TEST(LoggingRun, ADeviceThatVanishesDuringTheReplyIsReportedLost) {
  class VanishingLink final : public velmar::PollLink {
   public:
    bool IsOpen() const override { return open; }
    bool Reopen() override { return false; }
    bool SendQuery() override { return true; }
    std::string ReadReply() override {
      open = false;
      return "1.2";
    }
    bool open = true;
  } link;
  velmar::LoggingRun run;
  run.Begin();
  const auto result = run.Poll(link, 0);
  EXPECT_TRUE(result.portLost);
  EXPECT_EQ(result.reply, "1.2");
}

}  // namespace

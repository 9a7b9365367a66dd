#include "session/logging_session.h"

#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "tests/native/fake_log_storage.h"

namespace velmar {
namespace {

struct FakeChannel final : SessionChannel {
  bool opens = true;
  bool open = false;
  int openedPort = -1;
  int openedRate = 0;
  std::vector<std::wstring> queries;
  std::deque<std::string> replies;

  std::vector<InstrumentAddress> opened;

  bool Open(const InstrumentAddress& instrument, int baudRate) override {
    opened.push_back(instrument);
    if (!opens) return false;
    open = true;
    openedPort = instrument.comPort;
    openedRate = baudRate;
    return true;
  }
  std::wstring OpenFailure() const override { return L"Cannot open communications port, aborting!"; }
  void Close() override { open = false; }
  bool IsOpen() const override { return open; }
  bool SendQuery(const std::wstring& command) override {
    queries.push_back(command);
    return true;
  }
  std::string ReadReply() override {
    if (replies.empty()) return {};
    std::string reply = replies.front();
    replies.pop_front();
    return reply;
  }
};

struct FakeTimer final : PollTimer {
  bool arms = true;
  std::vector<uint32_t> armed;
  bool running = false;
  bool Arm(uint32_t delayMs) override {
    armed.push_back(delayMs);
    running = arms;
    return arms;
  }
  void Disarm() override { running = false; }
};

struct FakeClock final : SessionClock {
  uint64_t tick = 0xFFFFFF00u;  // crosses 2^32 during the run
  double fine = 5000;
  uint64_t TickCount() override { return tick; }
  double FineMs() override { return fine; }
  LocalDateTime LocalNow() override { return {2026, 12, 7, 9, 30, 15, static_cast<int>(tick % 1000)}; }
  void Advance(uint64_t ms) {
    tick += ms;
    fine += ms;
  }
};

struct FakeSettings final : SettingsSink {
  std::vector<AppSettings> stored;
  std::vector<InstrumentAddress> instruments;
  void Store(const AppSettings& settings, const InstrumentAddress& instrument) override {
    stored.push_back(settings);
    instruments.push_back(instrument);
  }
};

struct RecordingListener final : RowListener {
  std::vector<RunHeader> runs;
  std::vector<LoggedRow> rows;
  void OnRunStarted(const RunHeader& header) override { runs.push_back(header); }
  void OnRow(const LoggedRow& row) override { rows.push_back(row); }
};

class LoggingSessionTest : public testing::Test {
 protected:
  AppSettings Run(const std::wstring& file = L"C:\\lab\\run.csv") {
    AppSettings run;
    run.comPort = 12;
    run.baudRate = 115200;
    run.interval = 100;
    run.command = L"tec:t?";
    run.fileName = file;
    run.header = L"TEC Sensor T";
    return run;
  }
  bool Start(const AppSettings& run) { return session_.Open(run).started && session_.Begin().started; }

  FakeChannel channel_;
  // The rows of a file, after its three preamble lines.
  std::vector<std::string> RowsOf(const std::wstring& path) const {
    const auto found = storage_.files.find(path);
    if (found == storage_.files.end() || found->second.empty()) return {};
    return {found->second.begin() + 1, found->second.end()};
  }

  FakeLogStorage storage_;
  FakeTimer timer_;
  FakeClock clock_;
  FakeSettings settings_;
  LoggingSession session_{channel_, storage_, timer_, clock_, settings_};
};

TEST_F(LoggingSessionTest, AFailedStartSaysWhyAndClaimsNothing) {
  channel_.opens = false;
  EXPECT_EQ(session_.Open(Run()).message, L"Cannot open communications port, aborting!");

  channel_.opens = true;
  storage_.refusesAll = true;
  const StartOutcome noFile = session_.Open(Run());
  EXPECT_FALSE(noFile.started);
  EXPECT_EQ(noFile.message, L"Cannot open output file, aborting!");
  EXPECT_FALSE(channel_.open);

  storage_.refusesAll = false;
  timer_.arms = false;
  ASSERT_TRUE(session_.Open(Run()).started);
  const StartOutcome noTimer = session_.Begin();
  EXPECT_FALSE(noTimer.started);
  EXPECT_EQ(noTimer.message, L"Cannot start the measurement timer, aborting!");
  EXPECT_FALSE(session_.Running());
  EXPECT_FALSE(channel_.open);
  EXPECT_FALSE(session_.Poll(L"tec:t?").polled);
}

TEST_F(LoggingSessionTest, APollTellsItsRowAndWhetherThePortWasLost) {
  ASSERT_TRUE(Start(Run()));
  channel_.replies = {"25.0"};
  PollOutcome polled = session_.Poll(L"tec:t?");
  EXPECT_FALSE(polled.portLost);
  EXPECT_EQ(polled.row.point, 1);
  EXPECT_EQ(polled.row.reply, "25.0");
  channel_.open = false;
  channel_.opens = false;
  polled = session_.Poll(L"tec:t?");
  EXPECT_TRUE(polled.portLost);
  EXPECT_EQ(polled.row.point, 2);
  EXPECT_EQ(polled.row.reply, "");
}

TEST_F(LoggingSessionTest, ARunOnANetworkInstrumentReopensItAndNamesItWhenLost) {
  const InstrumentAddress instrument{3, NetworkInstrument{{L"10.0.0.5", 5025}, LineEnd::CrLf, L"SYST:REM"}};
  ASSERT_TRUE(session_.Open(Run(), instrument).started && session_.Begin().started);
  ASSERT_EQ(settings_.instruments.size(), 1u);
  EXPECT_EQ(settings_.instruments[0], instrument);
  channel_.open = false;
  channel_.opens = false;
  EXPECT_EQ(session_.Poll(L"tec:t?").status, "0ms: 10.0.0.5:5025 lost, reconnecting...");
  EXPECT_EQ(channel_.opened.back(), instrument);
}

TEST_F(LoggingSessionTest, ABlankPathIsNotedAndTheRunGoesOnWithoutAFile) {
  const StartOutcome opened = session_.Open(Run(L""));
  EXPECT_TRUE(opened.started);
  EXPECT_EQ(opened.message, L"File name blank, will not log data.");
  ASSERT_TRUE(session_.Begin().started);
  channel_.replies = {"25.0"};
  const PollOutcome polled = session_.Poll(L"tec:t?");
  EXPECT_FALSE(polled.writeFailed);
  EXPECT_EQ(polled.status, "0ms: 25.0");
  EXPECT_TRUE(storage_.files.empty());
}

TEST_F(LoggingSessionTest, EachPollReachesTheFileAndEveryListener) {
  RecordingListener chart;
  session_.AddListener(chart);
  ASSERT_TRUE(Start(Run()));
  ASSERT_EQ(settings_.stored.size(), 1u);
  EXPECT_EQ(settings_.stored[0].comPort, 12);
  EXPECT_EQ(timer_.armed, std::vector<uint32_t>{100});
  ASSERT_EQ(chart.runs.size(), 1u);
  EXPECT_EQ(chart.runs[0].columnTitles, L"TEC Sensor T");

  channel_.replies = {"25.0", "25.1"};
  session_.Poll(L"tec:t?");
  clock_.Advance(300);
  EXPECT_EQ(session_.Poll(L"tec:r?").status, "300ms: 25.1");
  EXPECT_EQ(channel_.queries, (std::vector<std::wstring>{L"tec:t?", L"tec:r?"}));
  EXPECT_EQ(storage_.Text(L"C:\\lab\\run.csv"),
            "Test started,\"Monday, December 07, 2026 09:30:15\"\nQuery used,\"tec:t?\"\nPoint,Time(ms),TEC Sensor T\n"
            "1,0,25.0\n2,300,25.1\n");
  ASSERT_EQ(chart.rows.size(), 2u);
  EXPECT_EQ(chart.rows[1].point, 2);
  EXPECT_EQ(chart.rows[1].elapsedMs, 300);
  EXPECT_EQ(chart.rows[1].reply, "25.1");
  EXPECT_EQ(chart.rows[1].time.millisecond, static_cast<int>(clock_.tick % 1000));
}

TEST_F(LoggingSessionTest, RowsTheFileRefusesWaitAndAreSavedWhenGivenUp) {
  ASSERT_TRUE(Start(Run()));
  storage_.refusesAll = true;
  EXPECT_TRUE(session_.Poll(L"tec:t?").writeFailed);
  session_.Poll(L"tec:t?");
  session_.Poll(L"tec:t?");

  StopOutcome stopped = session_.Stop();
  EXPECT_FALSE(timer_.running);
  EXPECT_FALSE(channel_.open);
  EXPECT_EQ(stopped.unwritten, 3u);
  EXPECT_EQ(UnwrittenRowsText(stopped), L"3 rows could not be written to C:\\lab\\run.csv.");
  storage_.refusesAll = false;
  storage_.refusing = {L"C:\\lab\\run.csv"};

  const RecoveryOutcome saved = session_.SaveUnwritten();
  const std::wstring recovery = L"C:\\lab\\run.unsaved-20261207-093015.csv";
  EXPECT_EQ(RecoveryText(saved), L"3 rows could not be written to C:\\lab\\run.csv. They were saved to " + recovery + L".");
  EXPECT_EQ(storage_.files[recovery].size(), 4u);
  EXPECT_FALSE(session_.Stop().wasRunning);
}

// A spreadsheet holding yesterday's file: today's takes its rows, yesterday's still wait.
TEST_F(LoggingSessionTest, RowsWaitingForAnEarlierFileOfASplitRunStillCount) {
  ASSERT_TRUE(session_.Open(Run(), {SplitMode::Rows, 2}).started && session_.Begin().started);
  storage_.refusesAll = true;
  EXPECT_TRUE(session_.Poll(L"tec:t?").writeFailed);
  session_.Poll(L"tec:t?");
  storage_.refusesAll = false;
  storage_.refusing = {L"C:\\lab\\run-20261207-093015.csv"};
  EXPECT_TRUE(session_.Poll(L"tec:t?").writeFailed);
  EXPECT_EQ(RowsOf(L"C:\\lab\\run-20261207-093015-2.csv"), std::vector<std::string>{"3,0,\n"});
  storage_.refusing.clear();
  EXPECT_FALSE(session_.Poll(L"tec:t?").writeFailed);
}

TEST_F(LoggingSessionTest, TheEndOfTheWindowsSessionSavesWhatTheFileRefuses) {
  ASSERT_TRUE(Start(Run()));
  storage_.refusesAll = true;
  session_.Poll(L"tec:t?");
  const RecoveryOutcome outcome = session_.StopForSessionEnd();
  EXPECT_FALSE(session_.Running());
  EXPECT_EQ(outcome.rows, 1u);
  EXPECT_EQ(RecoveryText(outcome), L"1 row could not be written to C:\\lab\\run.csv nor saved to a recovery file, "
                                   L"and was lost.");
}

TEST_F(LoggingSessionTest, EachPollReArmsTheTimerForTheNextGridPoint) {
  ASSERT_TRUE(Start(Run()));
  clock_.Advance(3);
  channel_.replies = {"1"};
  // The channel answers at once; the clock stands still during the poll.
  session_.Poll(L"x");
  clock_.Advance(104);
  session_.Poll(L"x");
  EXPECT_EQ(timer_.armed, (std::vector<uint32_t>{100, 100, 96}));
}

// Past 2^31 ms (24.8 days) a 32-bit difference turns negative, past 2^32 ms it starts again.
TEST_F(LoggingSessionTest, ElapsedTimesCountOnPastTwoToThe31And32Milliseconds) {
  clock_.tick = 0x7FFFFF00u;
  ASSERT_TRUE(Start(Run()));
  channel_.replies = {"1", "2", "3"};
  session_.Poll(L"x");
  clock_.Advance((uint64_t{1} << 31) + 100);
  EXPECT_EQ(session_.Poll(L"x").status, "2147483748ms: 2");
  clock_.Advance(uint64_t{1} << 31);
  EXPECT_EQ(session_.Poll(L"x").status, "4294967396ms: 3");
  EXPECT_EQ(RowsOf(L"C:\\lab\\run.csv"), (std::vector<std::string>{"1,0,1\n", "2,2147483748,2\n", "3,4294967396,3\n"}));
}

// Stop, then the box about refused rows is open when Windows ends the session: the rows are saved.
TEST_F(LoggingSessionTest, TheEndOfTheWindowsSessionDuringTheStopBoxSavesTheRows) {
  ASSERT_TRUE(Start(Run()));
  storage_.refusesAll = true;
  session_.Poll(L"tec:t?");
  session_.Poll(L"tec:t?");
  ASSERT_EQ(session_.Stop().unwritten, 2u);
  storage_.refusing = {L"C:\\lab\\run.csv"};
  storage_.refusesAll = false;
  const RecoveryOutcome outcome = session_.StopForSessionEnd();
  ASSERT_EQ(outcome.files.size(), 1u);
  EXPECT_EQ(outcome.files[0].rows, 2u);
  EXPECT_EQ(storage_.files[outcome.files[0].savedTo].size(), 3u);
}

}  // namespace
}  // namespace velmar

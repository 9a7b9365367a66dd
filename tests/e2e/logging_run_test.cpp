#include <gtest/gtest.h>

#include <regex>

#include "res/resource.h"
#include "tests/e2e/logger_fixture_win.h"
#include "tests/support/file_lock_win.h"
#include "tests/e2e/preset_lines.h"

namespace velmar::test {
namespace {

const std::regex kStartStamp(
    "Test started,\"(Sunday|Monday|Tuesday|Wednesday|Thursday|Friday|Saturday), "
    "(January|February|March|April|May|June|July|August|September|October|November|December) "
    "[0-3][0-9], [0-9]{4} [0-2][0-9]:[0-5][0-9]:[0-6][0-9]\"");

std::string Repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

class LoggingRunTest : public LoggerTest {
 protected:
  void SetUp() override {
    LoggerTest::SetUp();
    ASSERT_TRUE(sim_.Start(kSimPort));
    ASSERT_TRUE(Launch());
  }
};

TEST_F(LoggingRunTest, AWholeRunWritesThePreambleAndOneRowPerPollWithTheExactQueryOnTheWire) {
  const std::wstring log = LogPath(L"run.csv");
  Configure(log, L"");
  Dialog().Click(IDC_COMBO_COMMANDS);
  ASSERT_TRUE(driver::WaitFor([&] { return Dialog().Text(IDC_COMMAND) == kCombo; }, Millis(5000)));
  ASSERT_TRUE(StartRun());
  EXPECT_FALSE(Dialog().Enabled(IDOK));
  EXPECT_FALSE(Dialog().Enabled(IDC_PORT));
  EXPECT_TRUE(Dialog().Enabled(IDC_COMBO_COMMANDS));
  ASSERT_TRUE(WaitDataRows(log, 8));
  ASSERT_TRUE(StopRun());
  const int queries = sim_.Queries();

  const auto lines = ReadLines(log);
  ASSERT_GE(lines.size(), 11u);
  EXPECT_TRUE(std::regex_match(lines[0], kStartStamp)) << lines[0];
  EXPECT_EQ(lines[1], "Query used,\"" + Narrow(kCombo) + "\"");
  EXPECT_EQ(lines[2], std::string("Point,Time(ms),") + kComboTitles);
  const auto rows = DataRowsOf(lines);
  ASSERT_EQ(static_cast<int>(rows.size()), queries);
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].point, static_cast<int>(i + 1));
    EXPECT_EQ(std::count(rows[i].reply.begin(), rows[i].reply.end(), ','), 13) << rows[i].reply;
    // The timer keeps its period: each poll lies near a multiple of the interval.
    EXPECT_NEAR(rows[i].elapsed, 100 * static_cast<int>(i), 60) << "row " << i + 1;
  }
  EXPECT_LE(rows[0].elapsed, 16);
  EXPECT_EQ(sim_.Received(), Repeat(Narrow(kCombo) + "\n", queries));

  const std::string status = Narrow(Dialog().Text(IDC_STATUS));
  EXPECT_TRUE(std::regex_match(status, std::regex("[0-9]+ms: [-0-9.]+(,[-0-9.]+){13}"))) << status;

  // Stop released the port: the next Start opens it afresh at the rate chosen now.
  ASSERT_TRUE(Dialog().SelectComboText(IDC_BAUD, L"2400"));
  ASSERT_TRUE(StartRun());
  EXPECT_EQ(sim_.Command("termios").substr(0, 11), "speed=2400 ");
  ASSERT_TRUE(StopRun());
}

TEST_F(LoggingRunTest, ASecondRunAppendsAndRestartsPointsAndTime) {
  const std::wstring log = LogPath(L"twice.csv");
  Configure(log, L"err?");
  ASSERT_TRUE(RunForRows(log, 4));
  const size_t firstRows = CountDataRows(log);
  ASSERT_TRUE(RunForRows(log, firstRows + 3));

  const auto lines = ReadLines(log);
  EXPECT_TRUE(std::regex_match(lines[0], kStartStamp));
  EXPECT_TRUE(std::regex_match(lines[3 + firstRows], kStartStamp)) << lines[3 + firstRows];
  EXPECT_EQ(lines[4 + firstRows], "Query used,\"err?\"");
  EXPECT_EQ(lines[5 + firstRows], "Point,Time(ms),Response(s)");
  const auto second = DataRowsOf(lines);
  ASSERT_GE(second.size(), 3u);
  EXPECT_EQ(second[0].point, 1);
  EXPECT_LE(second[0].elapsed, 16);
  EXPECT_EQ(second[0].reply, "0");
}

TEST_F(LoggingRunTest, AutoPortCannotBeOpened) {
  Configure(LogPath(L"auto.csv"), L"err?");
  ASSERT_TRUE(Dialog().SelectComboText(IDC_PORT, L"<Auto>"));
  Dialog().Click(IDOK);
  ExpectMessage(L"Cannot open communications port, aborting!");
  EXPECT_FALSE(Dialog().Enabled(IDC_STOP));
  EXPECT_TRUE(Dialog().Enabled(IDOK));
  EXPECT_EQ(ReadFileBytes(LogPath(L"auto.csv")), "");
}

TEST_F(LoggingRunTest, AnEmptyLogPathWarnsOnceThenPollsWithoutAFile) {
  Configure(L"", L"err?");
  Dialog().Click(IDOK);
  ExpectMessage(L"File name blank, will not log data.");
  ASSERT_TRUE(driver::WaitFor([&] { return Dialog().Enabled(IDC_STOP); }, Millis(5000)));
  ASSERT_TRUE(driver::WaitFor([&] { return sim_.Queries() >= 4; }, Millis(10000)));
  EXPECT_TRUE(WaitStatus(L"ms: 0"));
  EXPECT_EQ(Dialog().FindOtherDialog(), nullptr);
  ASSERT_TRUE(StopRun());
}

TEST_F(LoggingRunTest, AnUnopenableLogPathStoresNothingAndReleasesThePort) {
  Configure(LogPath(L"missing-folder\\x.csv"), L"err?", L"100", L"9600");
  Dialog().Click(IDOK);
  ExpectMessage(L"Cannot open output file, aborting!");
  EXPECT_FALSE(Dialog().Enabled(IDC_STOP));
  EXPECT_TRUE(Dialog().Enabled(IDC_PORT));

  HKEY key = nullptr;
  DWORD type = 0;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, (std::wstring(kSettingsKey) + L"\\Settings").c_str(), 0, KEY_READ, &key),
            ERROR_SUCCESS);
  EXPECT_NE(RegQueryValueExW(key, L"Filename", nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_NE(RegQueryValueExW(key, L"COMPort", nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
  RegCloseKey(key);

  const std::wstring log = LogPath(L"good.csv");
  Dialog().SetText(IDC_LOGFILE, log);
  ASSERT_TRUE(Dialog().SelectComboText(IDC_BAUD, L"19200"));
  ASSERT_TRUE(StartRun());
  EXPECT_EQ(sim_.Command("termios").substr(0, 12), "speed=19200 ");
  ASSERT_TRUE(WaitDataRows(log, 2));
  ASSERT_TRUE(StopRun());
}

TEST_F(LoggingRunTest, RowsWaitWhileAnotherProgramHoldsTheFileAndNoneIsLost) {
  const std::wstring log = LogPath(L"locked.csv");
  Configure(log, L"err?");
  ASSERT_TRUE(StartRun());
  ASSERT_TRUE(WaitDataRows(log, 2));
  ExclusiveFileLock held(log);
  ASSERT_TRUE(held.Held());
  EXPECT_TRUE(WaitStatus(L"Error writing to data file."));
  const int before = WaitMorePolls(4);
  held.Release();
  ASSERT_TRUE(WaitStatus(L"ms: 0"));
  ASSERT_TRUE(WaitDataRows(log, static_cast<size_t>(before + 6)));
  ASSERT_TRUE(StopRun());

  const auto rows = DataRowsOf(ReadLines(log));
  ASSERT_EQ(static_cast<int>(rows.size()), sim_.Queries());
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].point, static_cast<int>(i + 1));
    EXPECT_EQ(rows[i].reply, "0");
    if (i > 0) {
      EXPECT_GT(rows[i].elapsed, rows[i - 1].elapsed);
    }
  }
}

TEST_F(LoggingRunTest, StopWithRowsStillLockedOffersRetry) {
  const std::wstring log = LogPath(L"stuck.csv");
  Configure(log, L"err?");
  ASSERT_TRUE(StartRun());
  ASSERT_TRUE(WaitDataRows(log, 1));
  ExclusiveFileLock held(log);
  ASSERT_TRUE(held.Held());
  ASSERT_TRUE(WaitStatus(L"Error writing to data file."));
  Dialog().Click(IDC_STOP);
  HWND box = Dialog().WaitOtherDialog(Millis(10000));
  ASSERT_NE(box, nullptr);
  const std::string text = Narrow(driver::DialogDriver::MessageText(box));
  EXPECT_TRUE(std::regex_match(text, std::regex("(1 row|([2-9]|[1-9][0-9]+) rows) could not be written to .*stuck\\.csv\\.")))
      << text;
  held.Release();
  driver::DialogDriver::Answer(box, IDRETRY);
  ASSERT_TRUE(driver::WaitFor([&] { return !Dialog().Enabled(IDC_STOP) && !Dialog().FindOtherDialog(); }, Millis(5000)));

  const auto rows = DataRowsOf(ReadLines(log));
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows.back().point, static_cast<int>(rows.size()));
}

TEST_F(LoggingRunTest, ASilentInstrumentGivesEmptyRowsAfterAboutASecond) {
  ASSERT_TRUE(sim_.Ok("mode silent"));
  const std::wstring log = LogPath(L"silent.csv");
  Configure(log, L"err?");
  ASSERT_TRUE(StartRun());
  ASSERT_TRUE(WaitDataRows(log, 3));
  EXPECT_TRUE(Responsive());
  ASSERT_TRUE(StopRun());
  const auto rows = DataRowsOf(ReadLines(log));
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].reply, "");
    if (i > 0) {
      EXPECT_GE(rows[i].elapsed - rows[i - 1].elapsed, 990);
      EXPECT_LE(rows[i].elapsed - rows[i - 1].elapsed, 1300);
    }
  }
  EXPECT_TRUE(std::regex_match(Narrow(Dialog().Text(IDC_STATUS)), std::regex("[0-9]+ms: ")));
}

TEST_F(LoggingRunTest, ASplitReplyIsLoggedWhole) {
  ASSERT_TRUE(sim_.Ok("split 3 40"));
  const std::wstring log = LogPath(L"split.csv");
  Configure(log, L"tec:t?;r?;err?");
  ASSERT_TRUE(RunForRows(log, 3));
  for (const Row& row : DataRowsOf(ReadLines(log))) {
    EXPECT_TRUE(std::regex_match(row.reply, std::regex("[0-9.]+,[0-9.]+,0"))) << row.reply;
  }
}

TEST_F(LoggingRunTest, ANulByteInAReplyDoesNotCutTheRow) {
  ASSERT_TRUE(sim_.Ok("mode nul"));
  const std::wstring log = LogPath(L"nul-byte.csv");
  Configure(log, L"tec:t?;err?");
  ASSERT_TRUE(RunForRows(log, 2));
  for (const Row& row : DataRowsOf(ReadLines(log))) {
    EXPECT_NE(row.reply.find('\0'), std::string::npos);
    EXPECT_EQ(row.reply.substr(row.reply.size() - 2), ",0") << row.reply;
  }
  EXPECT_NE(Dialog().Text(IDC_STATUS).find(L'\x2400'), std::wstring::npos);
}

}  // namespace
}  // namespace velmar::test

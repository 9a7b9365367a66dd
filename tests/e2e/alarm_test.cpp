#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "chart/chart_menu_win.h"
#include "res/resource.h"
#include "tests/e2e/logger_fixture_win.h"
#include "tests/support/file_lock_win.h"

namespace velmar::test {
namespace {

class AlarmTest : public LoggerTest {
 protected:
  void SetUp() override {
    LoggerTest::SetUp();
    ASSERT_TRUE(sim_.Start(kSimPort));
  }

  static std::wstring UnattendedRun(const std::wstring& log, const std::wstring& more) {
    return L"/port COM12 /baud 115200 /interval 100 /command t? /header T /log " + log + L" /start /close " + more;
  }

  // The time, point and rest of each events line after the header.
  static std::vector<std::smatch> EventsOf(const std::vector<std::string>& lines) {
    std::vector<std::smatch> events;
    static const std::regex kLine("[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\\.[0-9]{3},([0-9]*),(.*)");
    for (size_t i = 1; i < lines.size(); ++i) {
      std::smatch match;
      EXPECT_TRUE(std::regex_match(lines[i], match, kLine)) << lines[i];
      events.push_back(match);
    }
    return events;
  }
};

TEST_F(AlarmTest, ATemperatureOutOfItsBandAndBackIsInTheEventsFileAndTheExitCodeIsThree) {
  ASSERT_TRUE(sim_.Ok("reply 25.0"));
  const std::wstring log = LogPath(L"band.csv");
  ASSERT_TRUE(Launch(UnattendedRun(log, L"/limit \"T=20..30/2\"")));
  ASSERT_TRUE(WaitDataRows(log, 4));
  ASSERT_TRUE(sim_.Ok("reply 31.5"));
  WaitMorePolls(4);
  ASSERT_TRUE(sim_.Ok("reply 25.0"));
  WaitMorePolls(4);
  Dialog().Click(IDC_STOP);
  ASSERT_TRUE(logger_.WaitExit(Millis(10000)));
  EXPECT_EQ(logger_.ExitCode(), 3u);

  const auto lines = ReadLines(LogPath(L"band.events.csv"));
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "Time,Point,Source,Value,Limit,Event");
  const auto events = EventsOf(lines);
  EXPECT_EQ(events[0][2], "run,,,start");
  EXPECT_EQ(events[1][2], "T,31.5,above 30,alarm");
  EXPECT_EQ(events[2][2], "T,25.0,above 30,clear");
  EXPECT_EQ(events[3][2], "run,,,end by Stop");
  // The alarm is dated by the first poll of its streak.
  int firstOutside = 0;
  for (const Row& row : DataRowsOf(ReadLines(log))) {
    if (row.reply == "31.5" && firstOutside == 0) firstOutside = row.point;
  }
  EXPECT_EQ(events[1][1], std::to_string(firstOutside));
}

TEST_F(AlarmTest, ACleanTimedRunEndsWithZero) {
  const std::wstring log = LogPath(L"clean.csv");
  ASSERT_TRUE(Launch(UnattendedRun(log, L"/duration 1s")));
  ASSERT_TRUE(logger_.WaitExit(Millis(15000)));
  EXPECT_EQ(logger_.ExitCode(), 0u);
  const auto events = EventsOf(ReadLines(LogPath(L"clean.events.csv")));
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[1][2], "run,,,end by /duration");
}

// Nobody answers a box under /close: a bad switch ends the program at once, with 1. Its message
// goes to the console, and beside the log this command line named; never beside the stored one,
// an earlier run's.
TEST_F(AlarmTest, ABadSwitchWithCloseEndsWithOneAndNoBoxAndIsToldBesideTheNamedLogOnly) {
  const std::wstring stored = LogPath(L"stored.csv");
  StoreSetting(L"Filename", REG_SZ, stored.c_str(), static_cast<DWORD>((stored.size() + 1) * sizeof(wchar_t)));
  const std::wstring console = LogPath(L"console.txt");
  ASSERT_TRUE(logger_.Spawn(LoggerExePath(), L"/interval 5 /start /close", console));
  ASSERT_TRUE(logger_.WaitExit(Millis(15000)));
  EXPECT_EQ(logger_.ExitCode(), 1u);
  EXPECT_EQ(ReadLines(console), std::vector<std::string>{"/interval: Enter an integer between 100 and 10000000."});

  // A port that is missing without /start is a switch error too.
  ASSERT_TRUE(logger_.Spawn(LoggerExePath(), L"/port COM9 /log " + LogPath(L"named.csv") + L" /close"));
  ASSERT_TRUE(logger_.WaitExit(Millis(15000)));
  EXPECT_EQ(logger_.ExitCode(), 1u);
  const auto events = EventsOf(ReadLines(LogPath(L"named.events.csv")));
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0][2], "message,,,/port: COM9 is not present.");
  const auto entries = EntriesOf(Folder());
  EXPECT_EQ(std::find(entries.begin(), entries.end(), L"stored.events.csv"), entries.end());
}

// A log file held by another program from the first row to the end: the rows go to the
// recovery file, and the batch file learns it from the exit code.
TEST_F(AlarmTest, ALogHeldForTheWholeRunEndsWithItsRowsInTheRecoveryFileAndTwo) {
  const std::wstring log = LogPath(L"held.csv");
  ASSERT_TRUE(Launch(L"/port COM12 /baud 115200 /interval 500 /command t? /header T /log " + log +
                     L" /start /duration 2s /close"));
  // Held once the preamble is in, a poll's time before the first row.
  ASSERT_TRUE(driver::WaitFor([&] { return ReadLines(log).size() >= 3; }, Millis(10000)));
  ExclusiveFileLock lock(log);
  ASSERT_TRUE(lock.Held());
  ASSERT_TRUE(logger_.WaitExit(Millis(15000)));
  lock.Release();
  EXPECT_EQ(logger_.ExitCode(), 2u);
  ExpectEveryRowIn(log, RecoveryFile(L"held"));
}

// In a process whose limits come from /limit, the Limits dialog changes them for this process
// only, says so, and stores nothing.
TEST_F(AlarmTest, TheLimitsDialogOfALimitSwitchProcessAppliesItsLimitAndStoresNothing) {
  ASSERT_TRUE(sim_.Ok("reply 25.0"));
  const std::wstring log = LogPath(L"switched.csv");
  ASSERT_TRUE(Launch(L"/port COM12 /interval 100 /command t? /header T /log " + log +
                     L" /limit \"T=20..30\" /start /chart"));
  ASSERT_TRUE(WaitDataRows(log, 2));
  HWND chart = nullptr;
  ASSERT_TRUE(driver::WaitFor([&] {
    const auto found = driver::FindProcessWindows(logger_.ProcessId(), L"Live Chart - Velmar Simple Data Logger");
    return (chart = found.empty() ? nullptr : found[0]) != nullptr;
  }, Millis(10000)));
  PostMessageW(chart, WM_COMMAND, kFirstLimits, 0);
  HWND box = nullptr;
  ASSERT_TRUE(driver::WaitFor(
      [&] { return (box = driver::FindProcessDialog(logger_.ProcessId(), L"Limits for T")) != nullptr; },
      Millis(10000)));
  const driver::DialogDriver limits(box, logger_.ProcessId());
  EXPECT_EQ(Narrow(limits.Text(IDC_LIMIT_SCOPE)),
            "Set by /limit: OK applies them until the program ends, and stores nothing.");
  EXPECT_EQ(limits.Text(IDC_LIMIT_HIGH), L"30");
  limits.SetText(IDC_LIMIT_HIGH, L"24");
  driver::DialogDriver::Answer(box, IDOK);
  ASSERT_TRUE(driver::WaitFor([&] { return !IsWindow(box); }, Millis(5000)));

  const std::wstring events = LogPath(L"switched.events.csv");
  ASSERT_TRUE(driver::WaitFor(
      [&] {
        const auto lines = ReadLines(events);
        return lines.size() >= 3 && lines[2].ends_with(",T,25.0,above 24,alarm");
      },
      Millis(10000)));
  EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, (std::wstring(kSettingsKey) + L"\\Limits").c_str(), L"T", RRF_RT_ANY,
                        nullptr, nullptr, nullptr),
            ERROR_FILE_NOT_FOUND);
  ASSERT_TRUE(StopRun());
}

TEST_F(AlarmTest, APortThatNeverComesEndsTheWaitWithFour) {
  const ULONGLONG started = GetTickCount64();
  ASSERT_TRUE(logger_.Spawn(LoggerExePath(), L"/port COM9 /start /wait 2s /close"));
  ASSERT_TRUE(logger_.WaitExit(Millis(15000)));
  const ULONGLONG took = GetTickCount64() - started;
  EXPECT_EQ(logger_.ExitCode(), 4u);
  EXPECT_GE(took, 2000u);
  EXPECT_LE(took, 6000u);
}

}  // namespace
}  // namespace velmar::test

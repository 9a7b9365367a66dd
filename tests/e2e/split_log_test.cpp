#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "res/resource.h"
#include "tests/e2e/logger_fixture_win.h"
#include "tests/support/file_lock_win.h"

namespace velmar::test {
namespace {

class SplitLogTest : public LoggerTest {
 protected:
  void SetUp() override {
    LoggerTest::SetUp();
    ASSERT_TRUE(sim_.Start(kSimPort));
  }

  bool LaunchSplitRun(const std::wstring& rows) {
    return Launch(L"/port COM12 /baud 115200 /interval 100 /command err? /log " + LogPath(L"run.csv") + L" /split " +
                  rows + L" /start");
  }

  // The run's files, named after the chosen path and the time each began, by their first point.
  std::vector<std::wstring> RunFiles() const {
    std::vector<std::wstring> files;
    for (const std::wstring& name : EntriesOf(Folder())) {
      if (std::regex_match(name, std::wregex(L"run-[0-9]{8}-[0-9]{6}(-[0-9]+)?\\.csv"))) files.push_back(LogPath(name));
    }
    std::sort(files.begin(), files.end(), [](const std::wstring& a, const std::wstring& b) {
      const auto first = [](const std::wstring& file) {
        const auto rows = DataRowsOf(ReadLines(file));
        return rows.empty() ? 0 : rows.front().point;
      };
      return first(a) < first(b);
    });
    return files;
  }

  size_t RowsInFiles() const {
    size_t rows = 0;
    for (const std::wstring& file : RunFiles()) rows += CountDataRows(file);
    return rows;
  }

  // Every file starts with the run's one preamble; together they hold every poll once, in order.
  void ExpectEveryPollOnceUnderOnePreamble(const std::vector<size_t>& rowsPerFile) {
    const std::vector<std::wstring> files = RunFiles();
    ASSERT_EQ(files.size(), rowsPerFile.size());
    const auto first = ReadLines(files[0]);
    ASSERT_GE(first.size(), 3u);
    int next = 1;
    for (size_t i = 0; i < files.size(); ++i) {
      const auto lines = ReadLines(files[i]);
      ASSERT_GE(lines.size(), 3u);
      EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 3),
                std::vector<std::string>(first.begin(), first.begin() + 3));
      const auto rows = DataRowsOf(lines);
      if (rowsPerFile[i] != 0) {
        EXPECT_EQ(rows.size(), rowsPerFile[i]) << i;
      }
      for (const Row& row : rows) EXPECT_EQ(row.point, next++);
    }
    EXPECT_EQ(next - 1, sim_.Queries());
    const std::vector<std::wstring> entries = EntriesOf(Folder());
    EXPECT_EQ(std::find(entries.begin(), entries.end(), L"run.csv"), entries.end());
  }
};

TEST_F(SplitLogTest, EveryFiftyRowsANewFileWithThePreambleAndThePointsGoingOn) {
  ASSERT_TRUE(LaunchSplitRun(L"50"));
  ASSERT_TRUE(driver::WaitFor([&] { return RowsInFiles() >= 120; }, Millis(40000)));
  ASSERT_TRUE(StopRun());
  const size_t total = RowsInFiles();
  ASSERT_LE(total, 150u);
  ExpectEveryPollOnceUnderOnePreamble({50, 50, total - 100});
}

TEST_F(SplitLogTest, AFileLockedDuringTheSwitchLosesNothing) {
  ASSERT_TRUE(LaunchSplitRun(L"20"));
  ASSERT_TRUE(driver::WaitFor([&] { return RowsInFiles() >= 10; }, Millis(20000)));
  const std::wstring first = RunFiles().front();
  ExclusiveFileLock lock(first);
  ASSERT_TRUE(lock.Held());
  // The next file begins while the first still refuses its last rows.
  ASSERT_TRUE(driver::WaitFor([&] { return RunFiles().size() == 2 && CountDataRows(RunFiles()[1]) >= 3; },
                              Millis(20000)));
  EXPECT_LT(CountDataRows(first), 20u);
  // Today's file takes its rows; yesterday's still wait, and the status line says so.
  EXPECT_EQ(Dialog().Text(IDC_STATUS), L"Error writing to data file.");
  lock.Release();
  ASSERT_TRUE(driver::WaitFor([&] { return CountDataRows(first) == 20; }, Millis(5000)));
  ASSERT_TRUE(StopRun());
  ExpectEveryPollOnceUnderOnePreamble({20, 0});
}

}  // namespace
}  // namespace velmar::test

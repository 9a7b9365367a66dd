#include "logfile/run_log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "logfile/log_reader.h"
#include "logfile/whole_append.h"
#include "tests/native/fake_log_storage.h"

namespace velmar {
namespace {

constexpr LocalDateTime kStart{2026, 12, 7, 9, 30, 15, 0};
const std::string kPreamble = "Test started,\"Monday, December 07, 2026 09:30:15\"\nQuery used,\"t?\"\nPoint,Time(ms),T\n";

class RunLogTest : public testing::Test {
 protected:
  // Rows one second apart from the start, so each split file has a name of its own.
  void Rows(int from, int to) {
    for (int point = from; point <= to; ++point) {
      const int64_t elapsed = (point - 1) * 1000;
      log_.Append(point, elapsed, std::to_string(point), AddMilliseconds(kStart, elapsed));
    }
  }
  std::string Rows(std::initializer_list<int> points) const {
    std::string text = kPreamble;
    for (int point : points) text += std::to_string(point) + "," + std::to_string((point - 1) * 1000) + "," +
                                     std::to_string(point) + "\n";
    return text;
  }

  FakeLogStorage storage_;
  RunLog log_{storage_};
};

TEST_F(RunLogTest, EveryNRowsANewFileWithThePreambleAndPointsGoingOn) {
  ASSERT_TRUE(log_.Begin(L"C:\\lab\\run.csv", {SplitMode::Rows, 2}, kPreamble, kStart));
  Rows(1, 5);
  EXPECT_FALSE(storage_.Exists(L"C:\\lab\\run.csv"));
  EXPECT_EQ(storage_.Text(L"C:\\lab\\run-20261207-093015.csv"), Rows({1, 2}));
  EXPECT_EQ(storage_.Text(L"C:\\lab\\run-20261207-093017.csv"), Rows({3, 4}));
  EXPECT_EQ(storage_.Text(L"C:\\lab\\run-20261207-093019.csv"), Rows({5}));
}

TEST_F(RunLogTest, EveryDayTheFirstPollAfterMidnightStartsTheNextFile) {
  ASSERT_TRUE(log_.Begin(L"run.csv", {SplitMode::Daily, 0}, kPreamble, {2026, 12, 7, 23, 59, 58, 0}));
  log_.Append(1, 0, "a", {2026, 12, 7, 23, 59, 59, 900});
  log_.Append(2, 100, "b", {2026, 12, 8, 0, 0, 0, 0});
  EXPECT_EQ(storage_.Text(L"run-20261207-235958.csv"), kPreamble + "1,0,a\n");
  EXPECT_EQ(storage_.Text(L"run-20261208-000000.csv"), kPreamble + "2,100,b\n");
}

TEST_F(RunLogTest, ATakenNameGetsANumber) {
  storage_.files[L"run-20261207-093015.csv"] = {"someone else's\n"};
  storage_.files[L"run-20261207-093015-2.csv"] = {"and another\n"};
  ASSERT_TRUE(log_.Begin(L"run.csv", {SplitMode::Rows, 10}, kPreamble, kStart));
  EXPECT_EQ(log_.CurrentPath(), L"run-20261207-093015-3.csv");
  EXPECT_EQ(storage_.files[L"run-20261207-093015.csv"].size(), 1u);
}

TEST_F(RunLogTest, AFileLockedAcrossTheSwitchKeepsItsRowsAndHoldsUpNoOther) {
  ASSERT_TRUE(log_.Begin(L"run.csv", {SplitMode::Rows, 2}, kPreamble, kStart));
  const std::wstring first = log_.CurrentPath();
  storage_.refusing = {first};
  Rows(1, 3);
  EXPECT_EQ(log_.WaitingRows(), 2u);
  EXPECT_EQ(storage_.Text(L"run-20261207-093017.csv"), Rows({3}));

  storage_.refusing.clear();
  EXPECT_TRUE(log_.Flush());
  EXPECT_EQ(storage_.Text(first), Rows({1, 2}));
}

TEST_F(RunLogTest, EachFileWithWaitingRowsGetsARecoveryFileNamedAfterIt) {
  ASSERT_TRUE(log_.Begin(L"run.csv", {SplitMode::Rows, 2}, kPreamble, kStart));
  storage_.refusesAll = true;
  Rows(1, 3);
  ASSERT_EQ(log_.WaitingFiles().size(), 2u);
  EXPECT_EQ(log_.WaitingFiles()[1].path, L"run-20261207-093017.csv");
  EXPECT_EQ(log_.WaitingFiles()[1].rows, 1u);

  storage_.refusesAll = false;
  storage_.refusing = {L"run-20261207-093015.csv", L"run-20261207-093017.csv"};
  const std::vector<SavedFile> saved = log_.SaveWaiting({2026, 12, 7, 10, 0, 0, 0});
  ASSERT_EQ(saved.size(), 2u);
  EXPECT_EQ(saved[0].savedTo, L"run-20261207-093015.unsaved-20261207-100000.csv");
  EXPECT_EQ(storage_.Text(saved[0].savedTo), Rows({1, 2}));
  EXPECT_EQ(saved[1].savedTo, L"run-20261207-093017.unsaved-20261207-100000.csv");
  EXPECT_EQ(storage_.Text(saved[1].savedTo), Rows({3}));
  EXPECT_EQ(log_.WaitingRows(), 0u);
}

TEST_F(RunLogTest, WhenTheQueueIsFullRowsAreCountedNotKept) {
  ASSERT_TRUE(log_.Begin(L"run.csv", {SplitMode::Rows, 100'000}, kPreamble, kStart));
  storage_.refusesAll = true;
  for (int point = 1; point <= static_cast<int>(RunLog::kMaxWaitingLines) + 5; ++point) {
    log_.Append(point, point, "x", kStart);
  }
  EXPECT_EQ(log_.WaitingRows(), RunLog::kMaxWaitingLines);
  EXPECT_EQ(log_.DroppedRows(), 5u);
}

// A disk filling up takes part of a batch: what it took is counted once, the rest waits in order.
TEST_F(RunLogTest, AFileThatTakesPartOfTheWaitingRowsGetsTheRestLaterEachOnce) {
  ASSERT_TRUE(log_.Begin(L"run.csv", {}, kPreamble, kStart));
  storage_.refusesAll = true;
  Rows(1, 6);
  storage_.refusesAll = false;
  storage_.takesAtMost = 2;
  EXPECT_FALSE(log_.Flush());
  EXPECT_EQ(log_.WaitingRows(), 3u);
  EXPECT_EQ(storage_.Text(L"run.csv"), Rows({1, 2, 3}));
  EXPECT_TRUE(log_.Flush());
  EXPECT_EQ(log_.WaitingRows(), 0u);
  EXPECT_EQ(storage_.Text(L"run.csv"), Rows({1, 2, 3, 4, 5, 6}));
}

// What the writer writes, the reader reads back: runs, their stamps, first points and rows.
TEST_F(RunLogTest, TheReaderReadsBackWhatTheWriterWroteAlsoForASplitRun) {
  ASSERT_TRUE(log_.Begin(L"run.csv", {SplitMode::Rows, 3}, kPreamble, kStart));
  Rows(1, 4);
  const std::string second = WithCrLf(storage_.Text(L"run-20261207-093018.csv"));
  const std::vector<LogRun> runs = FindLogRuns(second);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].stamp, "Monday, December 07, 2026 09:30:15");
  EXPECT_EQ(runs[0].command, "t?");
  EXPECT_EQ(runs[0].columnTitles, "T");
  EXPECT_EQ(runs[0].firstPoint, 4);
  EXPECT_EQ(runs[0].rows, 1u);
  EXPECT_EQ(runs[0].firstMs, 3000);
  std::vector<std::string> rows;
  ForEachLogRow(second, runs[0], [&](const LogRow& row) {
    rows.push_back(std::to_string(row.point) + "|" + std::to_string(row.elapsedMs) + "|" + std::string(row.reply));
  });
  EXPECT_EQ(rows, std::vector<std::string>{"4|3000|4"});

  const std::string first = WithCrLf(storage_.Text(L"run-20261207-093015.csv") + kPreamble + "1,8589934592,x\n");
  const std::vector<LogRun> both = FindLogRuns(first);
  ASSERT_EQ(both.size(), 2u);
  EXPECT_EQ(both[0].rows, 3u);
  EXPECT_EQ(both[0].lastMs, 2000);
  EXPECT_EQ(both[1].lastMs, int64_t{1} << 33);
}

// Fed in pieces of any size, a file gives the same lines; one cut short mid-row leaves that row out.
TEST(LineSplitter, ChunksOfAnySizeGiveTheSameLinesAndACutRowIsLeftOut) {
  const std::string text = kPreamble + "1,0,5\r\n2,100,6\r\n3,200,7";
  for (size_t chunk : {size_t{1}, size_t{2}, size_t{7}, text.size()}) {
    LineSplitter lines;
    std::vector<std::string> seen;
    uint64_t lastEnd = 0;
    for (size_t at = 0; at < text.size(); at += chunk) {
      lines.Feed(std::string_view(text).substr(at, chunk), [&](std::string_view line, uint64_t offset, uint64_t next) {
        EXPECT_EQ(offset, lastEnd);
        lastEnd = next;
        seen.emplace_back(line);
      });
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"Test started,\"Monday, December 07, 2026 09:30:15\"",
                                              "Query used,\"t?\"", "Point,Time(ms),T", "1,0,5", "2,100,6"}))
        << chunk;
  }
}

}  // namespace
}  // namespace velmar

#include "alarm/events_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "logfile/log_file_names.h"
#include "tests/native/fake_log_storage.h"

namespace velmar {
namespace {

constexpr LocalDateTime kStart{2026, 12, 7, 9, 0, 0, 0};
const std::wstring kEvents = L"C:\\lab\\run.events.csv";

AlarmEvent Event(AlarmChange change, int point, LocalDateTime time, std::wstring source, std::wstring value,
                 std::wstring limit) {
  return {change, point, time, std::move(source), std::move(value), std::move(limit)};
}

class EventsFileTest : public testing::Test {
 protected:
  FakeLogStorage storage_;
  EventsFile events_{storage_};
};

TEST_F(EventsFileTest, ARunsLinesBesideItsLog) {
  events_.Begin(L"C:\\lab\\run.csv");
  EXPECT_EQ(events_.Path(), kEvents);
  EXPECT_TRUE(events_.Write(kStart, RunMark::Start));
  EXPECT_TRUE(events_.Write(Event(AlarmChange::Raised, 1234, {2026, 12, 7, 14, 3, 12, 100}, L"TEC Sensor T", L"25.31",
                                  L"above 25.1")));
  EXPECT_TRUE(events_.Write(Event(AlarmChange::Cleared, 2334, {2026, 12, 7, 14, 5, 2, 100}, L"TEC Sensor T", L"25.08",
                                  L"above 25.1")));
  EXPECT_TRUE(events_.Write(Event(AlarmChange::Raised, 3010, {2026, 12, 7, 15, 10, 0, 0}, L"instrument silent", L"",
                                  L"3 empty replies")));
  EXPECT_TRUE(events_.Write({2026, 12, 7, 17, 0, 0, 0}, RunMark::EndByDuration));
  EXPECT_EQ(storage_.Text(kEvents),
            "Time,Point,Source,Value,Limit,Event\n"
            "2026-12-07 09:00:00.000,,run,,,start\n"
            "2026-12-07 14:03:12.100,1234,TEC Sensor T,25.31,above 25.1,alarm\n"
            "2026-12-07 14:05:02.100,2334,TEC Sensor T,25.08,above 25.1,clear\n"
            "2026-12-07 15:10:00.000,3010,instrument silent,,3 empty replies,alarm\n"
            "2026-12-07 17:00:00.000,,run,,,end by /duration\n");

  // The next run to the same log appends, without a second header.
  events_.Begin(L"C:\\lab\\run.csv");
  events_.Write(kStart, RunMark::StartFailed);
  events_.WriteMessage(kStart, L"Cannot open \"COM5\", aborting!");
  // What a run lost beside its log goes in its end line's value.
  events_.Write(kStart, RunMark::EndByStop, L"3 rows not published: the queue was full");
  EXPECT_EQ(storage_.files[kEvents].size(), 9u);
  EXPECT_EQ(storage_.files[kEvents][6], "2026-12-07 09:00:00.000,,run,,,start failed\n");
  EXPECT_EQ(storage_.files[kEvents][7], "2026-12-07 09:00:00.000,,message,,,\"Cannot open \"\"COM5\"\", aborting!\"\n");
  EXPECT_EQ(storage_.files[kEvents][8],
            "2026-12-07 09:00:00.000,,run,3 rows not published: the queue was full,,end by Stop\n");
}

TEST_F(EventsFileTest, TheNameIsTheLogsStemWithEventsCsv) {
  EXPECT_EQ(EventsPathBeside(L"C:\\lab\\run.log"), L"C:\\lab\\run.events.csv");
  EXPECT_EQ(EventsPathBeside(L"C:\\lab.d\\run"), L"C:\\lab.d\\run.events.csv");
  EXPECT_EQ(EventsPathBeside(L"C:\\lab\\.hidden"), L"C:\\lab\\.hidden.events.csv");
  // Without a log there is no events file.
  events_.Begin(L"");
  EXPECT_TRUE(events_.Write(kStart, RunMark::Start));
  EXPECT_TRUE(storage_.files.empty());
}

TEST_F(EventsFileTest, RefusedLinesWaitInOrderAndGoOutFirst) {
  events_.Begin(L"C:\\lab\\run.csv");
  storage_.refusesAll = true;
  EXPECT_FALSE(events_.Write(kStart, RunMark::Start));
  EXPECT_FALSE(events_.Write(kStart, RunMark::EndByStop));
  EXPECT_EQ(events_.WaitingLines(), 2u);
  EXPECT_FALSE(events_.Flush());
  storage_.refusesAll = false;
  EXPECT_TRUE(events_.Write(kStart, RunMark::Start));
  EXPECT_EQ(storage_.Text(kEvents),
            "Time,Point,Source,Value,Limit,Event\n"
            "2026-12-07 09:00:00.000,,run,,,start\n"
            "2026-12-07 09:00:00.000,,run,,,end by Stop\n"
            "2026-12-07 09:00:00.000,,run,,,start\n");
  EXPECT_EQ(events_.WaitingLines(), 0u);
}

TEST_F(EventsFileTest, WhatStillWaitsAtTheEndGoesToARecoveryFileAfterTheHeader) {
  storage_.files[kEvents] = {"Time,Point,Source,Value,Limit,Event\n"};
  events_.Begin(L"C:\\lab\\run.csv");
  storage_.refusing.insert(kEvents);
  events_.Write(kStart, RunMark::Start);
  events_.WriteMessage(kStart, L"1 row could not be written to C:\\lab\\run.csv.");
  const std::vector<std::wstring> saved = events_.SaveWaiting(kStart);
  ASSERT_EQ(saved, std::vector<std::wstring>{L"C:\\lab\\run.events.unsaved-20261207-090000.csv"});
  EXPECT_EQ(storage_.Text(saved[0]),
            "Time,Point,Source,Value,Limit,Event\n"
            "2026-12-07 09:00:00.000,,run,,,start\n"
            "2026-12-07 09:00:00.000,,message,,,1 row could not be written to C:\\lab\\run.csv.\n");
  EXPECT_EQ(events_.WaitingLines(), 0u);
  EXPECT_TRUE(events_.SaveWaiting(kStart).empty());
}

// A run logged elsewhere does not make the lines still waiting for the last file go away: they
// go out when that file takes them, or to its own recovery file.
TEST_F(EventsFileTest, LinesWaitForTheirOwnFileWhileARunLogsToAnother) {
  const std::wstring other = L"C:\\lab\\other.events.csv";
  events_.Begin(L"C:\\lab\\run.csv");
  storage_.refusing = {kEvents};
  events_.Write(kStart, RunMark::Start);
  events_.Write(kStart, RunMark::EndByStop);
  events_.Begin(L"C:\\lab\\other.csv");
  EXPECT_TRUE(events_.Write(kStart, RunMark::Start));
  EXPECT_EQ(events_.WaitingLines(), 2u);
  storage_.refusing = {kEvents, other};
  events_.Write(kStart, RunMark::EndByClose);

  const std::vector<std::wstring> saved = events_.SaveWaiting({2026, 12, 7, 10, 0, 0, 0});
  ASSERT_EQ(saved, (std::vector<std::wstring>{L"C:\\lab\\run.events.unsaved-20261207-100000.csv",
                                              L"C:\\lab\\other.events.unsaved-20261207-100000.csv"}));
  EXPECT_EQ(storage_.Text(saved[0]),
            "Time,Point,Source,Value,Limit,Event\n"
            "2026-12-07 09:00:00.000,,run,,,start\n"
            "2026-12-07 09:00:00.000,,run,,,end by Stop\n");
  EXPECT_EQ(storage_.Text(saved[1]), "Time,Point,Source,Value,Limit,Event\n2026-12-07 09:00:00.000,,run,,,end by Close\n");
  EXPECT_EQ(events_.WaitingLines(), 0u);

  // Taken at last, they follow the file's header.
  events_.Begin(L"C:\\lab\\run.csv");
  storage_.refusing = {kEvents};
  events_.Write(kStart, RunMark::Start);
  events_.Begin(L"C:\\lab\\other.csv");
  storage_.refusing.clear();
  EXPECT_TRUE(events_.Write(kStart, RunMark::StartFailed));
  EXPECT_EQ(storage_.Text(kEvents), "Time,Point,Source,Value,Limit,Event\n2026-12-07 09:00:00.000,,run,,,start\n");
}

// A plain run leaves no events file unless it has something to say; then its start and end
// lines stand around what it said.
TEST_F(EventsFileTest, ARunWithNothingToSayLeavesNoFileUnlessItsLinesAreAlwaysWanted) {
  events_.Begin(L"C:\\lab\\run.csv", EventsFile::RunLines::AroundEvents);
  EXPECT_TRUE(events_.Write(kStart, RunMark::Start));
  EXPECT_TRUE(events_.Write(kStart, RunMark::EndByStop));
  events_.Begin(L"C:\\lab\\run.csv", EventsFile::RunLines::AroundEvents);
  EXPECT_TRUE(events_.Write(kStart, RunMark::StartFailed));
  EXPECT_TRUE(storage_.files.empty());

  events_.Begin(L"C:\\lab\\run.csv", EventsFile::RunLines::AroundEvents);
  events_.Write(kStart, RunMark::Start);
  events_.Write(Event(AlarmChange::Raised, 7, {2026, 12, 7, 9, 0, 1, 0}, L"rows waiting", L"", L""));
  events_.Write({2026, 12, 7, 9, 0, 2, 0}, RunMark::EndByStop);
  events_.Begin(L"C:\\lab\\run.csv", EventsFile::RunLines::AroundEvents);
  events_.Write(kStart, RunMark::Start);
  events_.WriteMessage(kStart, L"A note.");
  events_.Write(kStart, RunMark::EndByClose);
  // A limit set during the run gives it its lines.
  events_.Begin(L"C:\\lab\\run.csv", EventsFile::RunLines::AroundEvents);
  events_.Write(kStart, RunMark::Start);
  events_.KeepRunLines();
  events_.Write(kStart, RunMark::EndByDuration);
  EXPECT_EQ(storage_.Text(kEvents),
            "Time,Point,Source,Value,Limit,Event\n"
            "2026-12-07 09:00:00.000,,run,,,start\n"
            "2026-12-07 09:00:01.000,7,rows waiting,,,alarm\n"
            "2026-12-07 09:00:02.000,,run,,,end by Stop\n"
            "2026-12-07 09:00:00.000,,run,,,start\n"
            "2026-12-07 09:00:00.000,,message,,,A note.\n"
            "2026-12-07 09:00:00.000,,run,,,end by Close\n"
            "2026-12-07 09:00:00.000,,run,,,start\n"
            "2026-12-07 09:00:00.000,,run,,,end by /duration\n");
}

TEST_F(EventsFileTest, WaitingLinesAreBounded) {
  events_.Begin(L"run.csv");
  storage_.refusesAll = true;
  for (size_t i = 0; i < EventsFile::kMaxWaitingLines + 5; ++i) events_.Write(kStart, RunMark::Start);
  // The header waits too.
  EXPECT_EQ(events_.WaitingLines(), EventsFile::kMaxWaitingLines - 1);
  EXPECT_EQ(events_.DroppedLines(), 6u);
}

}  // namespace
}  // namespace velmar

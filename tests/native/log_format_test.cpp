#include "logfile/log_format.h"

#include <gtest/gtest.h>

#include <climits>
#include <deque>
#include <string>

#include "core/bounded_queue.h"

namespace velmar {
namespace {

using namespace std::string_literals;

TEST(LogLines, StartStampQuotesTheDate) {
  EXPECT_EQ(StartStampLine("Tuesday, March 14, 2028 09:05:07"),
            "Test started,\"Tuesday, March 14, 2028 09:05:07\"\n");
}

TEST(LogLines, StartStampWithEmptyDateKeepsTheQuotes) {
  EXPECT_EQ(StartStampLine(""), "Test started,\"\"\n");
}

TEST(LogLines, QueryLeavesDoubleQuotesUnescaped) {
  EXPECT_EQ(QueryLine("SET:MSG \"hi\";READ?"), "Query used,\"SET:MSG \"hi\";READ?\"\n");
}

TEST(LogLines, ColumnTitlesPrefixTheHeader) {
  EXPECT_EQ(ColumnTitlesLine("Current (mA),Temp (C)"), "Point,Time(ms),Current (mA),Temp (C)\n");
}

TEST(LogLines, EmptyHeaderLeavesTrailingComma) {
  EXPECT_EQ(ColumnTitlesLine(""), "Point,Time(ms),\n");
}

TEST(LogLines, DataRowJoinsPointElapsedAndReply) {
  EXPECT_EQ(DataRowLine(1, 0, "1.23"), "1,0,1.23\n");
  EXPECT_EQ(DataRowLine(42, 123456, "0.5,25.01"), "42,123456,0.5,25.01\n");
}

TEST(LogLines, EmptyReplyEndsRowWithComma) {
  EXPECT_EQ(DataRowLine(7, 1000, ""), "7,1000,\n");
}

TEST(LogLines, ReplyWithNulByteIsWrittenWhole) {
  const std::string reply = "1.2\0" "3.4"s;
  EXPECT_EQ(DataRowLine(3, 20, reply), "3,20,1.2\0" "3.4\n"s);
}

TEST(LogLines, ReplyWithHighBytesIsKept) {
  EXPECT_EQ(DataRowLine(1, 5, "\xE9\xFF\x1A"), "1,5,\xE9\xFF\x1A\n");
}

TEST(LogLines, NumbersAreSignedDecimal) {
  EXPECT_EQ(DataRowLine(-1, -16, "x"), "-1,-16,x\n");
  EXPECT_EQ(DataRowLine(INT_MAX, INT_MIN, ""), "2147483647,-2147483648,\n");
  EXPECT_EQ(DataRowLine(2, int64_t{1} << 33, ""), "2,8589934592,\n");
}

// The weekday is given for the reader; the text takes it from the date.
LocalDateTime At(int year, int month, int day, int /*weekday*/, int hour, int minute, int second) {
  return {.year = year, .month = month, .day = day, .hour = hour, .minute = minute, .second = second};
}

TEST(LogDateText, PadsSingleDigitDayAndTime) {
  EXPECT_EQ(FormatLongDateTime(At(2028, 3, 14, 2, 9, 5, 7)), "Tuesday, March 14, 2028 09:05:07");
  EXPECT_EQ(FormatLongDateTime(At(2024, 7, 4, 4, 13, 30, 0)), "Thursday, July 04, 2024 13:30:00");
}

TEST(LogDateText, MidnightIsAllZeros) {
  EXPECT_EQ(FormatLongDateTime(At(2000, 1, 1, 6, 0, 0, 0)), "Saturday, January 01, 2000 00:00:00");
}

TEST(LogDateText, LastSecondOfTheDay) {
  EXPECT_EQ(FormatLongDateTime(At(1999, 12, 31, 5, 23, 59, 59)), "Friday, December 31, 1999 23:59:59");
}

TEST(LogDateText, LeapDay) {
  EXPECT_EQ(FormatLongDateTime(At(2024, 2, 29, 4, 12, 0, 1)), "Thursday, February 29, 2024 12:00:01");
  EXPECT_EQ(FormatLongDateTime(At(2000, 2, 29, 2, 8, 0, 0)), "Tuesday, February 29, 2000 08:00:00");
}

TEST(LogDateText, ShortestAndLongestNames) {
  EXPECT_EQ(FormatLongDateTime(At(2030, 5, 3, 5, 1, 2, 3)), "Friday, May 03, 2030 01:02:03");
  EXPECT_EQ(FormatLongDateTime(At(2027, 9, 29, 3, 1, 2, 3)), "Wednesday, September 29, 2027 01:02:03");
}

TEST(LogDateText, YearIsPaddedToFourDigitsButNeverCut) {
  EXPECT_EQ(FormatLongDateTime(At(999, 6, 15, 6, 10, 0, 0)), "Saturday, June 15, 0999 10:00:00");
  EXPECT_EQ(FormatLongDateTime(At(12345, 6, 15, 5, 10, 0, 0)), "Friday, June 15, 12345 10:00:00");
}

TEST(LogDateText, FieldOutOfRangeGivesEmptyText) {
  const LocalDateTime good = At(2028, 3, 14, 2, 9, 5, 7);
  ASSERT_FALSE(FormatLongDateTime(good).empty());
  auto with = [&](auto change) {
    LocalDateTime time = good;
    change(time);
    return FormatLongDateTime(time);
  };
  EXPECT_EQ(with([](LocalDateTime& t) { t.month = 0; }), "");
  EXPECT_EQ(with([](LocalDateTime& t) { t.month = 13; }), "");
  EXPECT_EQ(with([](LocalDateTime& t) { t.day = 0; }), "");
  EXPECT_EQ(with([](LocalDateTime& t) { t.day = 32; }), "");
  EXPECT_EQ(with([](LocalDateTime& t) { t.hour = 24; }), "");
  EXPECT_EQ(with([](LocalDateTime& t) { t.minute = 60; }), "");
  EXPECT_EQ(with([](LocalDateTime& t) { t.second = 61; }), "");
  EXPECT_EQ(with([](LocalDateTime& t) { t.second = -1; }), "");
  EXPECT_EQ(with([](LocalDateTime& t) { t.year = -1; }), "");
}

TEST(LogDateText, DayBeyondTheMonthGivesEmptyText) {
  EXPECT_EQ(FormatLongDateTime(At(2023, 2, 29, 3, 0, 0, 0)), "");
  EXPECT_EQ(FormatLongDateTime(At(1900, 2, 29, 4, 0, 0, 0)), "");
  EXPECT_EQ(FormatLongDateTime(At(2028, 4, 31, 1, 0, 0, 0)), "");
}

constexpr size_t kMaxRows = 100'000;
constexpr size_t kMaxBytes = 16 * 1024 * 1024;

// As the log file keeps its waiting rows: the earliest stay, later ones are refused and counted.
struct Queue : BoundedQueue<std::string> {
  Queue() : BoundedQueue(kMaxRows, kMaxBytes, WhenFull::RefuseNewest) {}
};

TEST(WaitingQueue, KeepsRowsInOrder) {
  Queue rows;
  EXPECT_TRUE(rows.Empty());
  ASSERT_TRUE(rows.Push("1,0,a\n"));
  ASSERT_TRUE(rows.Push("2,100,b\n"));
  ASSERT_TRUE(rows.Push("3,200,c\n"));
  rows.PopFront(1);
  ASSERT_TRUE(rows.Push("4,300,d\n"));
  ASSERT_EQ(rows.Count(), 3u);
  EXPECT_EQ(rows.Items()[0], "2,100,b\n");
  EXPECT_EQ(rows.Items()[1], "3,200,c\n");
  EXPECT_EQ(rows.Items()[2], "4,300,d\n");
}

TEST(WaitingQueue, PopFrontBeyondCountEmpties) {
  Queue rows;
  rows.Push("1,0,a\n");
  rows.PopFront(5);
  EXPECT_TRUE(rows.Empty());
}

TEST(WaitingQueue, RowLimitKeepsEarliestAndCountsDropped) {
  Queue rows;
  for (size_t i = 0; i < kMaxRows; ++i) ASSERT_TRUE(rows.Push(std::to_string(i) + "\n"));
  EXPECT_FALSE(rows.Push("late\n"));
  EXPECT_FALSE(rows.Push("later\n"));
  EXPECT_EQ(rows.Count(), kMaxRows);
  EXPECT_EQ(rows.DroppedCount(), 2u);
  EXPECT_EQ(rows.Items().front(), "0\n");
  EXPECT_EQ(rows.Items().back(), std::to_string(kMaxRows - 1) + "\n");
}

TEST(WaitingQueue, ByteLimitKeepsEarliestAndCountsDropped) {
  const size_t rowSize = kMaxBytes / 4;
  Queue rows;
  for (char tag : {'a', 'b', 'c', 'd'}) ASSERT_TRUE(rows.Push(std::string(rowSize, tag)));
  EXPECT_FALSE(rows.Push("x"));
  EXPECT_EQ(rows.Count(), 4u);
  EXPECT_EQ(rows.DroppedCount(), 1u);
  EXPECT_EQ(rows.Items().back()[0], 'd');
}

TEST(WaitingQueue, RoomFreedByPopIsUsableAgain) {
  const size_t rowSize = kMaxBytes / 2;
  Queue rows;
  ASSERT_TRUE(rows.Push(std::string(rowSize, 'a')));
  ASSERT_TRUE(rows.Push(std::string(rowSize, 'b')));
  ASSERT_FALSE(rows.Push("c"));
  rows.PopFront(1);
  EXPECT_TRUE(rows.Push(std::string(rowSize, 'd')));
  EXPECT_EQ(rows.DroppedCount(), 1u);
}

TEST(WaitingQueue, RowLargerThanTheLimitIsDropped) {
  Queue rows;
  EXPECT_FALSE(rows.Push(std::string(kMaxBytes + 1, 'x')));
  EXPECT_TRUE(rows.Empty());
  EXPECT_EQ(rows.DroppedCount(), 1u);
}

TEST(WaitingQueue, ClearForgetsRowsAndDroppedCount) {
  Queue rows;
  rows.Push(std::string(kMaxBytes, 'a'));
  rows.Push("b\n");
  rows.Clear();
  EXPECT_TRUE(rows.Empty());
  EXPECT_EQ(rows.DroppedCount(), 0u);
  EXPECT_TRUE(rows.Push(std::string(kMaxBytes, 'c')));
}

TEST(WaitingQueue, DroppingTheOldestKeepsTheNewestAndCountsTheLoss) {
  BoundedQueue<std::string> queue(3, 100, BoundedQueue<std::string>::WhenFull::DropOldest);
  for (const char* row : {"1", "2", "3", "4", "5"}) EXPECT_TRUE(queue.Push(row));
  EXPECT_EQ(queue.Items(), (std::deque<std::string>{"3", "4", "5"}));
  EXPECT_EQ(queue.DroppedCount(), 2u);
  EXPECT_TRUE(queue.Push(std::string(98, 'x')));
  EXPECT_EQ(queue.Items(), (std::deque<std::string>{"4", "5", std::string(98, 'x')}));
  EXPECT_TRUE(queue.Push(std::string(99, 'y')));
  EXPECT_EQ(queue.Count(), 1u);
  EXPECT_FALSE(queue.Push(std::string(101, 'y')));
}

}  // namespace
}  // namespace velmar

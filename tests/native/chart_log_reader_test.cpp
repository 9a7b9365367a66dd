#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "logfile/log_reader.h"

namespace velmar {
namespace {

using namespace std::string_literals;

std::vector<std::string> RowsOf(std::string_view text, const LogRun& run) {
  std::vector<std::string> rows;
  ForEachLogRow(text, run, [&](const LogRow& row) {
    rows.push_back(std::to_string(row.point) + "|" + std::to_string(row.elapsedMs) + "|" + std::string(row.reply));
  });
  return rows;
}

TEST(ChartLogReader, SeveralRunsInOneFile) {
  const std::string text =
      "Test started,\"Monday, December 07, 2026 06:12:25\"\r\n"
      "Query used,\"las:ldi?;ldv?\"\r\n"
      "Point,Time(ms),Laser Current,Laser Voltage\r\n"
      "1,0,150.065,1.850\r\n"
      "2,100,150.069,1.850\r\n"
      "Test started,\"Tuesday, March 14, 2028 09:05:07\"\r\n"
      "Query used,\"tec:t?\"\r\n"
      "Point,Time(ms),Response(s)\r\n"
      "1,0,25.003,9.998,0\r\n"
      "2,1000,\r\n"
      "3,2000,25.1,\0,OK\r\n"s;
  const std::vector<LogRun> runs = FindLogRuns(text);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].stamp, "Monday, December 07, 2026 06:12:25");
  ASSERT_TRUE(runs[0].started);
  EXPECT_EQ(runs[0].started->year, 2026);
  EXPECT_EQ(runs[0].started->month, 12);
  EXPECT_EQ(runs[0].started->day, 7);
  EXPECT_EQ(runs[0].started->hour, 6);
  EXPECT_EQ(runs[0].command, "las:ldi?;ldv?");
  EXPECT_EQ(runs[0].columnTitles, "Laser Current,Laser Voltage");
  EXPECT_EQ(RowsOf(text, runs[0]), (std::vector<std::string>{"1|0|150.065,1.850", "2|100|150.069,1.850"}));
  EXPECT_EQ(runs[1].started->month, 3);
  EXPECT_EQ(RowsOf(text, runs[1]), (std::vector<std::string>{"1|0|25.003,9.998,0", "2|1000|", "3|2000|25.1,\0,OK"s}));
}

TEST(ChartLogReader, SkipsLinesThatAreNotRowsAndTheUnfinishedLastLine) {
  const std::string text =
      "garbage before any run\n"
      "Test started,\"Sunday, January 01, 2023 00:00:00\"\n"
      "Query used,\"x\"\n"
      "Point,Time(ms),A\n"
      "1,0,5\n"
      "note: cable replugged\n"
      ",100,6\n"
      "2,x,7\n"
      "3,200\n"
      "-4,-300,8\r\n"
      "5,400,9";
  const std::vector<LogRun> runs = FindLogRuns(text);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(RowsOf(text, runs[0]), (std::vector<std::string>{"1|0|5", "-4|-300|8"}));
}

TEST(ChartLogReader, StartStampInEnglishOnly) {
  const std::optional<LocalDateTime> stamp = ParseStartStamp("Wednesday, September 30, 2026 23:59:58");
  ASSERT_TRUE(stamp);
  EXPECT_EQ(stamp->month, 9);
  EXPECT_EQ(stamp->second, 58);
  EXPECT_EQ(stamp->millisecond, 0);
  EXPECT_FALSE(ParseStartStamp("Mittwoch, Septembre 30, 2026 23:59:58"));
  EXPECT_FALSE(ParseStartStamp("Monday, Dec 07, 2026 06:12:25"));
  EXPECT_FALSE(ParseStartStamp("Monday, December 7, 2026 06:12:25"));
  EXPECT_FALSE(ParseStartStamp("Monday, December 07, 2026 06:12"));
  EXPECT_FALSE(ParseStartStamp(""));
}

}  // namespace
}  // namespace velmar

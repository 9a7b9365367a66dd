#include "alarm/alarm_monitor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "alarm/events_file.h"

namespace velmar {
namespace {

constexpr LocalDateTime kStart{2026, 12, 7, 14, 3, 12, 0};

ColumnLimit Limit(std::wstring title, std::optional<double> low, std::optional<double> high, int polls = 1) {
  return {std::move(title), low, high, polls};
}

// Polls 100 ms apart from point 1 at 14:03:12.000; the events come back as their lines in
// the events file.
class AlarmMonitorTest : public testing::Test {
 protected:
  std::vector<std::wstring> Polls(std::initializer_list<std::string> replies, PollFacts facts = {}) {
    std::vector<std::wstring> lines;
    for (const std::string& reply : replies) {
      const int64_t elapsed = int64_t{point_} * 100;
      const LoggedRow row{++point_, elapsed, AddMilliseconds(kStart, elapsed), reply};
      for (const AlarmEvent& event : monitor_.Poll(row, facts)) lines.push_back(AlarmEventLine(event));
    }
    return lines;
  }

  AlarmMonitor monitor_;
  int point_ = 0;
};

using Lines = std::vector<std::wstring>;

TEST_F(AlarmMonitorTest, InAlarmAfterNOutsideInARowAndClearAfterNInside_DatedByTheStreaksFirstPoll) {
  monitor_.Begin(L"TEC Sensor T,Errors", {Limit(L"TEC Sensor T", std::nullopt, 25.1, 3)});
  EXPECT_EQ(Polls({"25.0,0", "25.2,0", "25.3,0", "25.1,0", " 25.31 ,0", "25.4,0"}), Lines{});
  EXPECT_FALSE(monitor_.AnyRaised());
  EXPECT_EQ(Polls({"25.5,0"}), Lines{L"2026-12-07 14:03:12.400,5,TEC Sensor T,25.31,above 25.1,alarm"});
  EXPECT_TRUE(monitor_.ColumnInAlarm(0));
  EXPECT_FALSE(monitor_.ColumnInAlarm(1));
  EXPECT_EQ(Polls({"25.0,0", "24,0", "26,0", "25.08,0", "25,0"}), Lines{});
  EXPECT_EQ(Polls({"-3e1,0"}), Lines{L"2026-12-07 14:03:13.000,11,TEC Sensor T,25.08,above 25.1,clear"});
  EXPECT_FALSE(monitor_.AnyActive());
  EXPECT_TRUE(monitor_.AnyRaised());
}

TEST_F(AlarmMonitorTest, AGapNeitherCountsNorBreaksTheStreak_NanIsOutside) {
  monitor_.Begin(L"A,B", {Limit(L"B", 10, 20, 2)});
  // An empty field, text, a missing field and a blank one are gaps.
  EXPECT_EQ(Polls({"x,5", "x,", "x,abc", "x", "x, "}), Lines{});
  EXPECT_EQ(Polls({"x,nan"}), Lines{L"2026-12-07 14:03:12.000,1,B,5,below 10,alarm"});
  EXPECT_EQ(Polls({"x,15", "x,--", "x,20"}), Lines{L"2026-12-07 14:03:12.600,7,B,15,below 10,clear"});
  EXPECT_EQ(Polls({"x,NaN", "x,nan"}), Lines{L"2026-12-07 14:03:12.900,10,B,NaN,outside 10..20,alarm"});
}

TEST_F(AlarmMonitorTest, ALimitChangedMidRunAppliesFromTheNextPollWithItsStreakRestarted) {
  monitor_.Begin(L"T", {Limit(L"T", std::nullopt, 25, 3)});
  EXPECT_EQ(Polls({"26", "26"}), Lines{});
  monitor_.SetLimits({Limit(L"T", std::nullopt, 25, 2)});
  EXPECT_EQ(Polls({"27"}), Lines{});
  EXPECT_EQ(Polls({"28"}), Lines{L"2026-12-07 14:03:12.200,3,T,27,above 25,alarm"});
  // Unchanged limits keep their count.
  EXPECT_EQ(Polls({"24"}), Lines{});
  monitor_.SetLimits({Limit(L"T", std::nullopt, 25, 2)});
  EXPECT_EQ(Polls({"24"}), Lines{L"2026-12-07 14:03:12.400,5,T,24,above 25,clear"});
  monitor_.SetLimits({Limit(L"T", std::nullopt, 20)});
  EXPECT_EQ(Polls({"21"}), Lines{L"2026-12-07 14:03:12.600,7,T,21,above 20,alarm"});
  // Without a limit there is nothing to be outside of: the next number clears.
  monitor_.SetLimits({});
  EXPECT_EQ(Polls({"?", "21"}), Lines{L"2026-12-07 14:03:12.800,9,T,21,above 20,clear"});
  EXPECT_EQ(Polls({"99"}), Lines{});
}

TEST_F(AlarmMonitorTest, HealthAlarmsCountLikeLimits_SilenceOnlyWhileThePortIsOpen) {
  monitor_.Begin(L"T", {});
  EXPECT_EQ(Polls({""}), Lines{});
  EXPECT_EQ(Polls({""}, {.portLost = true}), Lines{L"2026-12-07 14:03:12.100,2,port lost,,,alarm"});
  EXPECT_EQ(Polls({""}), Lines{L"2026-12-07 14:03:12.200,3,port lost,,,clear"});
  EXPECT_EQ(Polls({""}), Lines{L"2026-12-07 14:03:12.000,1,instrument silent,,3 empty replies,alarm"});
  EXPECT_EQ(Polls({"1", "2", "", "3", "4"}), Lines{});
  EXPECT_EQ(Polls({"5"}), Lines{L"2026-12-07 14:03:12.700,8,instrument silent,,3 empty replies,clear"});
  EXPECT_EQ(Polls({"6"}, {.fileRefused = true}), Lines{L"2026-12-07 14:03:13.000,11,rows waiting,,,alarm"});
  EXPECT_TRUE(monitor_.AnyActive());
  EXPECT_EQ(Polls({"7"}), Lines{L"2026-12-07 14:03:13.100,12,rows waiting,,,clear"});
  monitor_.Begin(L"T", {});
  EXPECT_FALSE(monitor_.AnyRaised());
  monitor_.Begin(L"T", {}, L"10.0.0.5:5025");
  EXPECT_EQ(Polls({""}, {.portLost = true}), Lines{L"2026-12-07 14:03:13.200,13,port lost,,10.0.0.5:5025,alarm"});
}

TEST_F(AlarmMonitorTest, TitlesMatchWithoutTheirSpacesAndBeyondTheHeaderAsColumnN) {
  monitor_.Begin(L"A, B", {Limit(L"B", std::nullopt, 1), Limit(L"Column 4", 0, std::nullopt)});
  EXPECT_EQ(Polls({"0,2,0,-1"}), (Lines{L"2026-12-07 14:03:12.000,1,B,2,above 1,alarm",
                                        L"2026-12-07 14:03:12.000,1,Column 4,-1,below 0,alarm"}));
}

}  // namespace
}  // namespace velmar

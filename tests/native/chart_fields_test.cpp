#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "chart/chart_run.h"
#include "core/reply_fields.h"

namespace velmar {
namespace {

using namespace std::string_literals;

TEST(ChartFields, NumbersInTheCLocale) {
  EXPECT_EQ(ParseField("1.23"), 1.23);
  EXPECT_EQ(ParseField(" -4.5e-3 "), -4.5e-3);
  EXPECT_EQ(ParseField("+7"), 7.0);
  EXPECT_EQ(ParseField("\t150.065"), 150.065);
  EXPECT_EQ(ParseField("1E3"), 1000.0);
  EXPECT_EQ(ParseField("-0"), 0.0);
}

TEST(ChartFields, InfinityAndNanInAnyCase) {
  EXPECT_EQ(ParseField("inf"), HUGE_VAL);
  EXPECT_EQ(ParseField(" -INF"), -HUGE_VAL);
  EXPECT_EQ(ParseField("+Infinity"), HUGE_VAL);
  ASSERT_TRUE(ParseField("NaN"));
  EXPECT_TRUE(std::isnan(*ParseField("NaN")));
  EXPECT_FALSE(IsGap(*ParseField("nan")));
  EXPECT_EQ(ParseField("1e999"), HUGE_VAL);
}

TEST(ChartFields, AnythingElseIsNoNumber) {
  for (const std::string& field : {"OK"s, ""s, "   "s, "1,5"s, "1.2.3"s, "+-1"s, "++1"s, "- 1"s, "0x10"s, "1.5V"s,
                                  "1.2\0"s "3"s, "\0"s, "1 2"s}) {
    EXPECT_FALSE(ParseField(field)) << field;
  }
}

TEST(ChartFields, TitlesSplitAtEveryComma) {
  EXPECT_EQ(ColumnTitle(SplitTitles(L"Current,Voltage"), 1), L"Voltage");
  EXPECT_EQ(ColumnTitle(SplitTitles(L"Current,Voltage"), 2), L"Column 3");
  EXPECT_EQ(ColumnTitle(SplitTitles(L"A,,C"), 1), L"Column 2");
}

TEST(ChartFields, ValuesPrintWithoutFloatNoise) {
  EXPECT_EQ(FormatValue(150.065), L"150.065");
  EXPECT_EQ(FormatValue(0.1 + 0.2), L"0.30000000000000004");
  EXPECT_EQ(FormatValue(-0.0045), L"-0.0045");
  EXPECT_EQ(FormatValue(HUGE_VAL), L"inf");
}

TEST(ChartFields, LanesAreTheColumnsThatHeldANumber) {
  ChartRun run;
  run.Start(SplitTitles(L"Current,Status"), {});
  run.AddRow(0, {2026, 12, 7, 9, 30, 15, 500}, "150.1,OK");
  run.AddRow(100, {}, "150.2,OK,25.0,\0"s "1");
  run.AddRow(200, {}, "");
  run.AddRow(300, {}, "nan,OK,,7");
  ASSERT_EQ(run.Lanes().size(), 3u);
  EXPECT_EQ(run.Lanes()[0].column, 0u);
  EXPECT_EQ(run.Lanes()[1].column, 2u);
  EXPECT_EQ(run.Lanes()[2].column, 3u);
  EXPECT_EQ(run.Title(2), L"Column 3");
  EXPECT_TRUE(std::isnan(run.LatestValue(run.Lanes()[0].series)));
  EXPECT_TRUE(IsGap(run.LatestValue(run.Lanes()[1].series)));
  EXPECT_EQ(run.LatestValue(run.Lanes()[2].series), 7.0);
  // The wall-clock start is the first row's time less its elapsed time.
  EXPECT_EQ(run.StartTime().second, 15);
  EXPECT_EQ(run.StartTime().millisecond, 500);

  run.Start({}, {2027, 1, 2, 3, 4, 5, 0});
  EXPECT_TRUE(run.Lanes().empty());
  EXPECT_EQ(run.Store().RowCount(), 0u);
  EXPECT_EQ(run.StartTime().year, 2027);
}

}  // namespace
}  // namespace velmar

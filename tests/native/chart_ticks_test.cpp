#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "chart/nice_ticks.h"
#include "chart/time_labels.h"

namespace velmar {
namespace {

std::vector<std::wstring> Labels(const ValueScale& scale) {
  std::vector<std::wstring> labels;
  for (const double tick : scale.ticks) labels.push_back(FormatTick(tick, scale));
  return labels;
}

bool IsNiceStep(double step) {
  const double mantissa = step / std::pow(10.0, std::floor(std::log10(step) + 1e-9));
  return std::abs(mantissa - 1) < 1e-9 || std::abs(mantissa - 2) < 1e-9 || std::abs(mantissa - 5) < 1e-9;
}

TEST(ChartTicks, StepsAreOneTwoFiveAcrossMagnitudes) {
  for (const auto& [low, high] : std::vector<std::pair<double, double>>{
           {0, 1}, {0.1, 0.7}, {-3, 3}, {149.98, 150.07}, {1e-9, 3e-9}, {-2e12, 7e12}, {-0.0051, -0.0049}}) {
    const ValueScale scale = ChooseValueScale(low, high, 5);
    ASSERT_GT(scale.step, 0) << low;
    EXPECT_TRUE(IsNiceStep(scale.step)) << scale.step;
    EXPECT_LE(scale.low, low);
    EXPECT_GE(scale.high, high);
    ASSERT_GE(scale.ticks.size(), 2u) << low;
    EXPECT_LE(scale.ticks.size(), 6u) << low;
    for (const double tick : scale.ticks) EXPECT_TRUE(tick >= scale.low && tick <= scale.high);
  }
}

TEST(ChartTicks, ALaneWithRoomForOneTickGetsOne) {
  for (const auto& [low, high] : std::vector<std::pair<double, double>>{{123.21, 123.39}, {0.511, 0.519}, {-7.3, -7.1}}) {
    const ValueScale scale = ChooseValueScale(low, high, 1);
    ASSERT_FALSE(scale.ticks.empty()) << low;
    EXPECT_LE(scale.ticks.size(), 3u) << low;
    EXPECT_TRUE(IsNiceStep(scale.step)) << scale.step;
  }
}

// Short lanes still get the ticks the room asks for: finer steps first, then the range out to
// the next tick; the values stay inside, and a constant stays in the middle.
TEST(ChartTicks, TheFewestTicksAskedForAreThereWhateverTheRange) {
  std::mt19937 random(3);
  for (int i = 0; i < 2000; ++i) {
    const double magnitude = std::pow(10.0, std::uniform_int_distribution<int>(-6, 6)(random));
    const double low = std::uniform_real_distribution<double>(-1000, 1000)(random) * magnitude;
    const double high = i % 10 == 0 ? low : low + std::uniform_real_distribution<double>(0, 100)(random) * magnitude;
    for (const TickRoom room : {TickRoom(2, 2, 4), TickRoom(4, 3, 8), TickRoom(1, 2, 3)}) {
      const ValueScale scale = ChooseValueScale(low, high, room);
      EXPECT_GE(scale.ticks.size(), static_cast<size_t>(room.fewest)) << low << " " << high;
      EXPECT_LE(scale.low, low);
      EXPECT_GE(scale.high, high);
      if (low == high) {
        EXPECT_NEAR(scale.Fraction(low), 0.5, 1e-9);
      }
    }
  }
}

TEST(ChartTicks, LabelsHaveNoFloatNoise) {
  EXPECT_EQ(Labels(ChooseValueScale(0.1, 0.7, 5)), (std::vector<std::wstring>{L"0.2", L"0.4", L"0.6"}));
  EXPECT_EQ(Labels(ChooseValueScale(-3, 3, 4)), (std::vector<std::wstring>{L"-2", L"0", L"2"}));
  EXPECT_EQ(Labels(ChooseValueScale(149.98, 150.07, 5)),
            (std::vector<std::wstring>{L"149.98", L"150.00", L"150.02", L"150.04", L"150.06"}));
  EXPECT_EQ(Labels(ChooseValueScale(1e-9, 3e-9, 3)), (std::vector<std::wstring>{L"1e-09", L"2e-09", L"3e-09"}));
  EXPECT_EQ(Labels(ChooseValueScale(-2e12, 7e12, 5)),
            (std::vector<std::wstring>{L"-2e+12", L"0", L"2e+12", L"4e+12", L"6e+12"}));
}

TEST(ChartTicks, ConstantSeriesSitsInTheMiddleOfAPaddedRange) {
  for (const double value : {5.0, -2.0, 0.0, 1e-300, 1e300}) {
    const ValueScale scale = ChooseValueScale(value, value, 5);
    EXPECT_LT(scale.low, value);
    EXPECT_GT(scale.high, value);
    EXPECT_NEAR(scale.Fraction(value), 0.5, 1e-9) << value;
  }
  const ValueScale empty = ChooseValueScale(HUGE_VAL, -HUGE_VAL, 5);
  EXPECT_EQ(empty.low, 0);
  EXPECT_EQ(empty.high, 1);
  EXPECT_TRUE(ChooseValueScale(-1.7e308, 1.7e308, 5).ticks.size() <= 7);
  // No 1, 2 or 5 times a power of ten above 1e308 is a double: the largest step serves.
  const ValueScale topmost = ChooseValueScale(0, 1.5e308, TickRoom(1, 2, 2));
  EXPECT_EQ(topmost.step, 1e308);
  EXPECT_EQ(Labels(topmost), (std::vector<std::wstring>{L"0", L"1e+308"}));
}

TEST(ChartTimeLabels, StyleFollowsTheVisibleTimes) {
  EXPECT_EQ(FormatElapsed(12'500, ElapsedStyle::Seconds, 1), L"12.5 s");
  EXPECT_EQ(FormatElapsed(187'000, ElapsedStyle::MinutesSeconds, 0), L"3:07");
  EXPECT_EQ(FormatElapsed(3'723'400, ElapsedStyle::HoursMinutesSeconds, 1), L"1:02:03.4");
  EXPECT_EQ(FormatElapsed(-5'000, ElapsedStyle::Seconds, 0), L"-5 s");
  EXPECT_EQ(FormatElapsed(59'999, ElapsedStyle::MinutesSeconds, 0), L"1:00");
  EXPECT_EQ(StyleFor(0, 59'000), ElapsedStyle::Seconds);
  EXPECT_EQ(StyleFor(0, 600'000), ElapsedStyle::MinutesSeconds);
  EXPECT_EQ(StyleFor(7'200'000, 7'260'000), ElapsedStyle::HoursMinutesSeconds);
}

TEST(ChartTimeLabels, TicksAtRoundSteps) {
  const TimeTicks minute = ChooseTimeTicks(0, 60'000, 6);
  EXPECT_EQ(minute.stepMs, 10'000);
  EXPECT_EQ(minute.ticksMs.size(), 7u);
  const TimeTicks second = ChooseTimeTicks(1'050, 2'050, 4);
  EXPECT_EQ(second.stepMs, 500);
  EXPECT_EQ(second.decimals, 1);
  EXPECT_EQ(second.ticksMs, (std::vector<double>{1'500, 2'000}));
  const TimeTicks days = ChooseTimeTicks(0, 20 * 86'400'000.0, 5);
  EXPECT_EQ(days.stepMs, 5 * 86'400'000.0);
  EXPECT_EQ(days.style, ElapsedStyle::HoursMinutesSeconds);
}

TEST(ChartTimeLabels, WallClockArithmeticCrossesDaysAndYears) {
  const LocalDateTime newYear = AddMilliseconds({2026, 12, 31, 23, 59, 59, 900}, 250);
  EXPECT_EQ(FormatDateTime(newYear), L"2027-01-01 00:00:00");
  EXPECT_EQ(newYear.millisecond, 150);
  EXPECT_EQ(FormatDateTime(AddMilliseconds({2028, 3, 1, 0, 0, 0, 0}, -1)), L"2028-02-29 23:59:59");
  EXPECT_EQ(FormatClock(AddMilliseconds({2026, 12, 7, 9, 30, 15, 0}, 3'600'000)), L"10:30:15");
}

}  // namespace
}  // namespace velmar

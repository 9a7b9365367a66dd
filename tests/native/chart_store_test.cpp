#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "chart/series_store.h"

namespace velmar {
namespace {

constexpr int64_t kIntervalMs = 100;
constexpr size_t kSeries = 3;

// Rows kept beside the store, to check its answers against all the raw values.
class StoreAndRows {
 public:
  StoreAndRows(size_t budgetBytes, size_t rows) : store(budgetBytes) {
    for (size_t s = 0; s < kSeries; ++s) store.AddSeries();
    std::mt19937 random(7);
    std::uniform_real_distribution<double> value(-5, 5);
    for (size_t index = 0; index < rows; ++index) {
      std::vector<double> row(kSeries);
      for (double& v : row) {
        const unsigned kind = random() % 100;
        v = kind < 4 ? GapValue() : kind < 5 ? HUGE_VAL : value(random);
      }
      if (index % 1000 == 500) row[1] = 1e6;  // a spike no zoom may hide
      store.AddRow(static_cast<int64_t>(index) * kIntervalMs, row.data());
      values.push_back(row);
    }
  }

  M4 BruteForce(size_t series, double startMs, double endMs) const {
    // Row i is at i * kIntervalMs.
    const auto firstRowFrom = [&](double timeMs) {
      return static_cast<size_t>(std::clamp(std::ceil(timeMs / kIntervalMs), 0.0, static_cast<double>(values.size())));
    };
    M4 block;
    for (size_t row = firstRowFrom(startMs); row < firstRowFrom(endMs); ++row) block.Append(M4::Of(values[row][series]));
    return block;
  }

  SeriesStore store;
  std::vector<std::vector<double>> values;
};

void ExpectSame(const M4& actual, const M4& expected, const char* where, int x) {
  ASSERT_EQ(actual.flags, expected.flags) << where << " column " << x;
  if (!expected.HasValue()) return;
  EXPECT_EQ(actual.first, expected.first) << where << " column " << x;
  EXPECT_EQ(actual.last, expected.last) << where << " column " << x;
  EXPECT_EQ(actual.min, expected.min) << where << " column " << x;
  EXPECT_EQ(actual.max, expected.max) << where << " column " << x;
}

// Pixel columns of `rowsPerColumn` rows each, lined up with the store's blocks.
void ExpectMatchesBruteForce(const StoreAndRows& data, size_t firstRow, size_t rowsPerColumn, int width,
                             const char* where) {
  const double start = static_cast<double>(firstRow) * kIntervalMs;
  const double columnMs = static_cast<double>(rowsPerColumn) * kIntervalMs;
  Decimation decimation;
  data.store.Decimate(start, start + width * columnMs, width, decimation);
  for (size_t s = 0; s < kSeries; ++s) {
    for (int x = 0; x < width; ++x) {
      ExpectSame(decimation.At(s, x), data.BruteForce(s, start + x * columnMs, start + (x + 1) * columnMs), where, x);
    }
  }
}

TEST(ChartStore, M4KeepsExtremesAndWhereTheGapsAre) {
  M4 block = M4::Of(2);
  block.Append(M4::Of(GapValue()));
  block.Append(M4::Of(-1));
  block.Append(M4::Of(3));
  EXPECT_EQ(block.flags, M4::kHasValue | M4::kInnerGap);
  EXPECT_EQ(block.first, 2);
  EXPECT_EQ(block.last, 3);
  EXPECT_EQ(block.min, -1);
  EXPECT_EQ(block.max, 3);
  M4 edges = M4::Of(NAN);
  edges.Append(M4::Of(1));
  edges.Append(M4::Of(-HUGE_VAL));
  EXPECT_EQ(edges.flags, M4::kHasValue | M4::kLeadGap | M4::kTrailGap);
  EXPECT_FALSE(M4::Of(GapValue()).HasValue());
}

TEST(ChartStore, DecimationEqualsBruteForceAtEveryResolution) {
  const StoreAndRows data(SeriesStore::kDefaultBudgetBytes, 20'000);
  ASSERT_EQ(data.store.RawRowCount(), 20'000u);
  ExpectMatchesBruteForce(data, 0, 1, 300, "raw rows");
  ExpectMatchesBruteForce(data, 4096, 4, 500, "4-row blocks");
  ExpectMatchesBruteForce(data, 1024, 64, 200, "64-row blocks");
  ExpectMatchesBruteForce(data, 0, 1024, 19, "whole run");
}

TEST(ChartStore, FoldedRunStaysWithinBudgetAndExact) {
  constexpr size_t kBudget = 320 * 1024;
  const StoreAndRows data(kBudget, 200'000);
  EXPECT_LE(data.store.BytesKept(), kBudget);
  EXPECT_LT(data.store.RawRowCount(), 20'000u);
  ExpectMatchesBruteForce(data, 0, 8192, 24, "whole folded run");
  ExpectMatchesBruteForce(data, 200'000 - 2000, 1, 2000, "newest rows at full resolution");
  ExpectMatchesBruteForce(data, 200'000 - 100, 4, 25, "newest blocks");
}

TEST(ChartStore, NoZoomHidesASpikeEvenWhereFolded) {
  const StoreAndRows data(256 * 1024, 200'000);
  std::mt19937 random(11);
  for (int attempt = 0; attempt < 200; ++attempt) {
    const double start = std::uniform_real_distribution<double>(-1000, 2e7)(random);
    const double span = std::exp(std::uniform_real_distribution<double>(std::log(1000.0), std::log(2.2e7))(random));
    const int width = std::uniform_int_distribution<int>(1, 1500)(random);
    Decimation decimation;
    data.store.Decimate(start, start + span, width, decimation);
    for (size_t s = 0; s < kSeries; ++s) {
      const M4 expected = data.BruteForce(s, start, start + span);
      M4 shown;
      for (int x = 0; x < width; ++x) shown.Append(decimation.At(s, x));
      if (!expected.HasValue()) continue;
      ASSERT_TRUE(shown.HasValue()) << start << " +" << span << " in " << width;
      EXPECT_GE(shown.max, expected.max) << start << " +" << span << " in " << width;
      EXPECT_LE(shown.min, expected.min) << start << " +" << span << " in " << width;
    }
  }
}

TEST(ChartStore, NearestIsTheRowOrItsFoldedBlock) {
  const StoreAndRows data(256 * 1024, 200'000);
  const std::optional<NearestSample> recent = data.store.Nearest(199'990 * kIntervalMs + 40);
  ASSERT_TRUE(recent);
  EXPECT_FALSE(recent->folded);
  EXPECT_EQ(recent->timeMs, 199'990 * kIntervalMs);
  for (size_t s = 0; s < kSeries; ++s) {
    const double expected = data.values[199'990][s];
    EXPECT_TRUE(recent->values[s] == expected || (IsGap(expected) && IsGap(recent->values[s])));
  }
  const std::optional<NearestSample> old = data.store.Nearest(1000 * kIntervalMs);
  ASSERT_TRUE(old);
  EXPECT_TRUE(old->folded);
  EXPECT_NEAR(old->timeMs, 1000 * kIntervalMs, 20'000.0 * kIntervalMs);
}

// Two passes over the rows from firstRow to lastRow: the figures the store's blocks must match.
SeriesFigures TwoPassFigures(const StoreAndRows& data, size_t series, size_t firstRow, size_t lastRow) {
  SeriesFigures figures;
  double sum = 0;
  for (size_t row = firstRow; row <= lastRow; ++row) {
    const double value = data.values[row][series];
    if (!std::isfinite(value)) continue;
    figures.min = figures.moments.count == 0 ? value : std::min(figures.min, value);
    figures.max = figures.moments.count == 0 ? value : std::max(figures.max, value);
    sum += value;
    ++figures.moments.count;
  }
  if (figures.moments.count == 0) return figures;
  figures.moments.mean = sum / static_cast<double>(figures.moments.count);
  for (size_t row = firstRow; row <= lastRow; ++row) {
    const double value = data.values[row][series];
    if (std::isfinite(value)) figures.moments.m2 += (value - figures.moments.mean) * (value - figures.moments.mean);
  }
  return figures;
}

TEST(ChartStore, FiguresMatchTwoPassesAtEveryZoomAndSayWhenTheyAreApproximate) {
  const StoreAndRows data(256 * 1024, 200'000);
  std::mt19937 random(5);
  std::vector<std::pair<double, double>> windows{{0, 2e7}, {199'400 * kIntervalMs, 2e7}, {-500, 350}};
  for (int i = 0; i < 200; ++i) {
    const double start = std::uniform_real_distribution<double>(-1000, 2e7)(random);
    const double span = std::exp(std::uniform_real_distribution<double>(std::log(50.0), std::log(2.2e7))(random));
    windows.emplace_back(start, start + span);
  }
  for (const auto& [start, end] : windows) {
    RangeFigures figures;
    data.store.Figures(start, end, figures);
    const double firstInWindow = std::max(0.0, std::ceil(start / kIntervalMs));
    const double lastInWindow = std::min(199'999.0, std::floor(end / kIntervalMs));
    if (firstInWindow > lastInWindow) {
      EXPECT_EQ(figures.rows, 0u) << start << " to " << end;
      continue;
    }
    // Whole blocks may reach beyond the window, and then the figures say so.
    EXPECT_LE(figures.firstMs, firstInWindow * kIntervalMs) << start << " to " << end;
    EXPECT_GE(figures.lastMs, lastInWindow * kIntervalMs) << start << " to " << end;
    const bool exact = figures.firstMs == firstInWindow * kIntervalMs && figures.lastMs == lastInWindow * kIntervalMs;
    EXPECT_EQ(figures.approximate, !exact) << start << " to " << end;
    const size_t firstRow = static_cast<size_t>(figures.firstMs / kIntervalMs);
    const size_t lastRow = static_cast<size_t>(figures.lastMs / kIntervalMs);
    EXPECT_EQ(figures.rows, lastRow - firstRow + 1);
    for (size_t s = 0; s < kSeries; ++s) {
      const SeriesFigures expected = TwoPassFigures(data, s, firstRow, lastRow);
      const SeriesFigures& actual = figures.series[s];
      ASSERT_EQ(actual.moments.count, expected.moments.count) << start << " to " << end;
      if (expected.moments.count == 0) continue;
      EXPECT_EQ(actual.min, expected.min);
      EXPECT_EQ(actual.max, expected.max);
      EXPECT_NEAR(actual.moments.mean, expected.moments.mean, 1e-9 * (1 + std::abs(expected.moments.mean)));
      EXPECT_NEAR(actual.moments.StandardDeviation(), expected.moments.StandardDeviation(),
                  1e-9 * (1 + expected.moments.StandardDeviation()));
    }
  }
  // The newest rows are kept one by one: a window among them is exact.
  RangeFigures recent;
  data.store.Figures(199'123 * kIntervalMs + 50, 199'876 * kIntervalMs, recent);
  EXPECT_FALSE(recent.approximate);
  EXPECT_EQ(recent.rows, 199'876u - 199'124 + 1);
}

// Sums of values and of squares cancel to noise here, and can give a negative variance.
TEST(ChartStore, AConstantSeriesHasExactlyNoSpread) {
  SeriesStore store(256 * 1024);
  store.AddSeries();
  const double value = 25.003;
  for (int32_t row = 0; row < 300'000; ++row) store.AddRow(row * kIntervalMs, &value);
  for (const auto& [start, end] : {std::pair{0.0, 3e7}, {1234.5, 2.2e7}, {2.9e7, 3e7}}) {
    RangeFigures figures;
    store.Figures(start, end, figures);
    EXPECT_EQ(figures.series[0].moments.mean, value);
    EXPECT_EQ(figures.series[0].moments.StandardDeviation(), 0.0);
    EXPECT_EQ(figures.series[0].max - figures.series[0].min, 0.0);
  }
}

// Worked by hand: the mean of 2, 4, 4, 4, 5, 5, 7, 9 is 5, the squared deviations add up to
// 9 + 1 + 1 + 1 + 0 + 0 + 4 + 16 = 32, and 32 / 8 rows = 4: a deviation of exactly 2 (of the
// rows themselves, not of a sample: 32 / 7 would give 2.138).
TEST(ChartStore, TheStandardDeviationIsThePopulations) {
  SeriesStore store;
  store.AddSeries();
  int64_t time = 0;
  for (const double value : {2.0, 4.0, 4.0, 4.0, 5.0, 5.0, 7.0, 9.0}) store.AddRow((time++) * kIntervalMs, &value);
  RangeFigures figures;
  store.Figures(0, 7 * kIntervalMs, figures);
  EXPECT_NEAR(figures.series[0].moments.mean, 5.0, 1e-12);
  EXPECT_NEAR(figures.series[0].moments.StandardDeviation(), 2.0, 1e-12);
}

TEST(ChartStore, SeriesAddedLateHaveGapsBeforeAndTimeNeverRunsBack) {
  SeriesStore store;
  store.AddSeries();
  for (int64_t row = 0; row < 100; ++row) {
    const double value = row;
    store.AddRow(row == 50 ? 10 : row * kIntervalMs, &value);
  }
  store.AddSeries();
  const double both[] = {1, 2};
  store.AddRow(100 * kIntervalMs, both);
  EXPECT_EQ(store.LastTime(), 100 * kIntervalMs);
  Decimation decimation;
  store.Decimate(0, 101 * kIntervalMs, 101, decimation);
  EXPECT_TRUE(decimation.At(1, 10).HasRows());
  EXPECT_FALSE(decimation.At(1, 10).HasValue());
  EXPECT_EQ(decimation.At(1, 100).first, 2);
  // The row that claimed to be earlier sits at its predecessor's time.
  EXPECT_EQ(decimation.At(0, 49).max, 50);
}

// A run of weeks: rows past 2^31 and 2^32 ms keep their own times and places.
TEST(ChartStore, TimesPastTwoToThe31And32MillisecondsKeepMoving) {
  SeriesStore store(1 << 20);
  store.AddSeries();
  const int64_t start = (int64_t{1} << 31) - 50 * kIntervalMs;
  for (int64_t row = 0; row < 20'000; ++row) {
    // The second half jumps past 2^32, as a run four weeks later would be.
    const int64_t time = start + row * kIntervalMs + (row >= 10'000 ? int64_t{1} << 31 : 0);
    const double value = row < 10'000 ? 1 : 2;
    store.AddRow(time, &value);
  }
  EXPECT_EQ(store.FirstTime(), start);
  EXPECT_EQ(store.LastTime(), start + 19'999 * kIntervalMs + (int64_t{1} << 31));
  const std::optional<NearestSample> late = store.Nearest(static_cast<double>(store.LastTime()));
  ASSERT_TRUE(late);
  EXPECT_EQ(late->timeMs, store.LastTime());
  EXPECT_EQ(late->values[0], 2);
  Decimation decimation;
  store.Decimate(static_cast<double>(store.FirstTime()), static_cast<double>(store.LastTime()) + 1, 100, decimation);
  EXPECT_EQ(decimation.At(0, 0).first, 1);
  EXPECT_EQ(decimation.At(0, 99).last, 2);
  EXPECT_FALSE(decimation.At(0, 50).HasRows());  // the month between the halves holds no row
}

}  // namespace
}  // namespace velmar

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

#include "chart/chart_scene.h"
#include "core/reply_fields.h"

namespace velmar {
namespace {

constexpr int64_t kIntervalMs = 100;

RunExtent Extent(double first, double last) { return {true, first, last}; }

TEST(ChartView, FollowsTheNewestRowInTheChosenWindow) {
  ChartView view;
  EXPECT_EQ(view.Visible(Extent(0, 5'000)).startMs, 0);
  EXPECT_EQ(view.Visible(Extent(0, 5'000)).endMs, 5'000);
  view.SetWindow(TimeWindow::LastMinute);
  EXPECT_EQ(view.Visible(Extent(0, 30'000)).endMs, 60'000);  // grows from the left until full
  EXPECT_EQ(view.Visible(Extent(0, 90'000)).startMs, 30'000);
  EXPECT_EQ(view.Visible(Extent(0, 90'000)).endMs, 90'000);
}

TEST(ChartView, ZoomAndScrollStopFollowingAndEndResumes) {
  ChartView view;
  view.SetWindow(TimeWindow::LastTenMinutes);
  view.Zoom(0.5, 0.25, Extent(0, 1'200'000));
  EXPECT_FALSE(view.Following());
  const TimeRange zoomed = view.Visible(Extent(0, 1'200'000));
  EXPECT_DOUBLE_EQ(zoomed.Span(), 300'000);
  EXPECT_DOUBLE_EQ(zoomed.startMs + 0.25 * zoomed.Span(), 600'000 + 0.25 * 600'000);  // the anchor stayed
  const TimeRange later = view.Visible(Extent(0, 2'000'000));
  EXPECT_EQ(later.startMs, zoomed.startMs);  // new rows do not move a fixed view
  view.Scroll(-1, Extent(0, 2'000'000));
  EXPECT_DOUBLE_EQ(view.Visible(Extent(0, 2'000'000)).startMs, zoomed.startMs - 300'000);
  view.FollowNewest();
  EXPECT_EQ(view.Visible(Extent(0, 2'000'000)).endMs, 2'000'000);
  EXPECT_EQ(view.Visible(Extent(0, 2'000'000)).Span(), 600'000);

  view.Scroll(-100, Extent(0, 2'000'000));  // never further than half a span past the start
  EXPECT_DOUBLE_EQ(view.Visible(Extent(0, 2'000'000)).startMs, -300'000);
}

TEST(ChartLayout, ScalesWithDpiAndStacksLanes) {
  const ChartLayout normal = ComputeChartLayout(800, 600, 96, 3);
  const ChartLayout large = ComputeChartLayout(1200, 900, 144, 3);
  EXPECT_EQ(large.fontHeight, normal.fontHeight * 3 / 2);
  EXPECT_EQ(large.PlotLeft(), normal.PlotLeft() * 3 / 2);
  EXPECT_EQ(large.lineWidth, 2);
  EXPECT_EQ(normal.lineWidth, 1);
  for (const ChartLayout* layout : {&normal, &large}) {
    ASSERT_EQ(layout->lanes.size(), 3u);
    int top = layout->header.bottom;
    for (const LaneLayout& lane : layout->lanes) {
      EXPECT_GE(lane.title.top, top);
      EXPECT_EQ(lane.plot.top, lane.title.bottom);
      EXPECT_GT(lane.plot.Height(), 100);
      top = lane.plot.bottom;
    }
    EXPECT_LE(top, layout->timeAxis.top);
    EXPECT_LE(layout->startLine.bottom, layout->dpi == 96 ? 600 : 900);
  }
}

TEST(ChartLayout, RememberedPlacementComesBackOnScreen) {
  const PixelRect work{0, 0, 1920, 1040};
  const PixelRect gone = FitWithin({2500, 300, 3300, 900}, work);
  EXPECT_EQ(gone.right, 1920);
  EXPECT_EQ(gone.Width(), 800);
  const PixelRect huge = FitWithin({-50, -50, 4000, 3000}, work);
  EXPECT_EQ(huge.left, 0);
  EXPECT_EQ(huge.Height(), 1040);
  const PixelRect inside = FitWithin({100, 100, 900, 700}, work);
  EXPECT_EQ(inside.left, 100);
  EXPECT_EQ(inside.bottom, 700);
}

class ChartSceneTest : public testing::Test {
 protected:
  static constexpr LocalDateTime kStart{2026, 12, 7, 9, 30, 15, 0};

  void SetUp() override { run_.Start(SplitTitles(L"Level,Offset"), kStart); }

  void AddRows(int count, const std::function<std::string(int)>& reply) {
    for (int row = 0; row < count; ++row) {
      run_.AddRow(row * kIntervalMs, AddMilliseconds(kStart, row * kIntervalMs), reply(row));
    }
  }

  ChartScene Build(std::optional<int> cursorX = {}) const {
    return BuildChartScene(run_, view_, hidden_, {.width = 1000, .height = 600, .dpi = 96, .cursorX = cursorX, .source = {}});
  }

  // True when one of the lane's lines runs on from at or left of row `before` to at or right of
  // row `after`.
  static bool LineSpans(const ChartScene& scene, size_t lane, int before, int after) {
    const long beforeX = std::lround(scene.XOfTime(before * kIntervalMs));
    const long afterX = std::lround(scene.XOfTime(after * kIntervalMs));
    return std::any_of(scene.polylines.begin(), scene.polylines.end(), [&](const ScenePolyline& line) {
      const auto [left, right] = std::minmax_element(line.points.begin(), line.points.end(),
                                                     [](const ScenePoint& a, const ScenePoint& b) { return a.x < b.x; });
      return line.lane == lane && left->x <= beforeX && right->x >= afterX;
    });
  }

  ChartRun run_;
  ChartView view_;
  std::set<size_t> hidden_;
};

TEST_F(ChartSceneTest, ConstantLanesLieInTheMiddleOfTheirPlots) {
  AddRows(50, [](int) { return "5.0,-2.0"; });
  const ChartScene scene = Build();
  ASSERT_EQ(scene.lanes.size(), 2u);
  for (size_t lane = 0; lane < 2; ++lane) {
    const PixelRect& plot = scene.layout.lanes[lane].plot;
    const double value = lane == 0 ? 5.0 : -2.0;
    const int expectedY = static_cast<int>(std::lround(ValueToY(scene.lanes[lane].scale, plot, value)));
    EXPECT_NEAR(expectedY, (plot.top + plot.bottom) / 2, 1);
    size_t points = 0;
    for (const ScenePolyline& line : scene.polylines) {
      if (line.lane != lane) continue;
      for (const ScenePoint& point : line.points) {
        EXPECT_EQ(point.y, expectedY);
        EXPECT_TRUE(point.x >= plot.left && point.x < plot.right);
        ++points;
      }
    }
    EXPECT_GE(points, 2u);
  }
}

TEST_F(ChartSceneTest, EmptyRowsBreakEveryLaneAndTextBreaksItsOwn) {
  AddRows(200, [](int row) -> std::string {
    if (row >= 80 && row < 90) return "";
    return std::to_string(row % 7) + (row >= 120 && row < 125 ? ",OK" : ",3.5");
  });
  ChartScene scene = Build();
  for (size_t lane = 0; lane < 2; ++lane) {
    EXPECT_FALSE(LineSpans(scene, lane, 79, 90)) << lane;
    EXPECT_TRUE(LineSpans(scene, lane, 40, 41)) << lane;
  }
  EXPECT_TRUE(LineSpans(scene, 0, 121, 123));
  EXPECT_FALSE(LineSpans(scene, 1, 119, 125));

  // The same holds once the rows are folded into blocks, at a width of fewer pixels than rows.
  run_.Start({}, {});
  AddRows(100'000, [](int row) { return row >= 50'000 && row < 51'000 ? std::string() : std::string("1,2"); });
  scene = Build();
  for (size_t lane = 0; lane < 2; ++lane) {
    EXPECT_FALSE(LineSpans(scene, lane, 49'999, 51'000)) << lane;
    EXPECT_TRUE(LineSpans(scene, lane, 20'000, 30'000)) << lane;
  }
}

TEST_F(ChartSceneTest, ReadoutShowsTheNearestRowAndHiddenLanesGoAway) {
  AddRows(100, [](int row) { return std::to_string(row) + ",7"; });
  const ChartScene plain = Build();
  const int cursorX = static_cast<int>(std::lround(plain.XOfTime(42 * kIntervalMs + 10)));
  const ChartScene scene = Build(cursorX);
  ASSERT_TRUE(scene.cursor);
  EXPECT_NEAR(scene.cursor->from.x, plain.XOfTime(42 * kIntervalMs), 1);
  const auto hasText = [&](const std::wstring& text) {
    return std::any_of(scene.texts.begin(), scene.texts.end(), [&](const SceneText& t) { return t.text == text; });
  };
  EXPECT_TRUE(hasText(L"42"));
  EXPECT_TRUE(hasText(L"7"));
  EXPECT_TRUE(hasText(L"4.200 s  09:30:19"));
  EXPECT_TRUE(hasText(L"Started 2026-12-07 09:30:15"));
  // No axis label is left half covered by the readout's time.
  const auto readout = std::find_if(scene.texts.begin(), scene.texts.end(),
                                    [](const SceneText& t) { return t.text == L"4.200 s  09:30:19"; });
  for (const SceneText& text : scene.texts) {
    if (&text != &*readout && text.y == readout->y) {
      EXPECT_GE(std::abs(text.x - readout->x), 60);
    }
  }

  hidden_.insert(0);
  EXPECT_EQ(Build().lanes.size(), 1u);
  EXPECT_EQ(Build().lanes[0].column, 1u);
}

// The readout shows each row's own clock: the clock set back an hour mid-run shows as it was.
TEST_F(ChartSceneTest, TheReadoutShowsTheClockAsTheRowsSawItAcrossADaylightSavingChange) {
  for (int row = 0; row < 100; ++row) {
    const int64_t elapsed = row * kIntervalMs;
    run_.AddRow(elapsed, AddMilliseconds(kStart, elapsed - (row >= 50 ? 3'600'000 : 0)), "1");
  }
  const auto readoutAt = [&](int64_t elapsed) {
    const ChartScene plain = Build();
    const ChartScene scene = Build(static_cast<int>(std::lround(plain.XOfTime(static_cast<double>(elapsed)))));
    for (const SceneText& text : scene.texts) {
      if (text.style == TextStyle::Boxed && text.text.find(L" s  ") != std::wstring::npos) return text.text;
    }
    return std::wstring();
  };
  EXPECT_EQ(readoutAt(4'000), L"4.000 s  09:30:19");
  EXPECT_EQ(readoutAt(7'000), L"7.000 s  08:30:22");
}

}  // namespace
}  // namespace velmar

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>

#include "chart/chart_scene.h"
#include "chart/limit_marks.h"
#include "chart/placement.h"
#include "chart/state_strips.h"
#include "core/presets.h"
#include "core/reply_fields.h"

namespace velmar {
namespace {

constexpr int64_t kIntervalMs = 100;

RunExtent Extent(double first, double last) { return {true, first, last}; }

std::vector<SceneText> AllTexts(const ChartScene& scene) {
  std::vector<SceneText> texts;
  for (const SceneLayer* layer : {&scene.frame, &scene.strips, &scene.rowTexts, &scene.readout}) {
    texts.insert(texts.end(), layer->texts.begin(), layer->texts.end());
  }
  return texts;
}

bool HasText(const ChartScene& scene, const std::wstring& text) {
  const std::vector<SceneText> texts = AllTexts(scene);
  return std::any_of(texts.begin(), texts.end(), [&](const SceneText& t) { return t.text == text; });
}

TEST(ChartView, FollowsTheNewestRowInTheChosenWindow) {
  ChartView view;
  EXPECT_EQ(view.Visible(Extent(0, 5'000)).startMs, 0);
  EXPECT_EQ(view.Visible(Extent(0, 5'000)).endMs, 5'000);
  // All moves its end on by a round step, a fifth of the run or more: new rows move nothing drawn.
  EXPECT_EQ(view.Visible(Extent(0, 7'300)).endMs, 8'000);
  EXPECT_EQ(view.Visible(Extent(0, 7'900)).endMs, 8'000);
  EXPECT_EQ(view.Visible(Extent(0, 8'100)).endMs, 10'000);
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
  // The newest row in the last tenth of the window, which moves on a tenth at a time.
  EXPECT_EQ(view.Visible(Extent(0, 2'000'000)).endMs, 2'040'000);
  EXPECT_EQ(view.Visible(Extent(0, 2'030'000)).endMs, 2'040'000);
  EXPECT_EQ(view.Visible(Extent(0, 2'000'000)).Span(), 600'000);

  view.Scroll(-100, Extent(0, 2'000'000));  // never further than half a span past the start
  EXPECT_DOUBLE_EQ(view.Visible(Extent(0, 2'000'000)).startMs, -300'000);
}

TEST(ChartLayout, ScalesWithDpiStacksLanesAndGivesStripsOneLine) {
  const std::vector<bool> strips{false, true, false};
  const ChartLayout normal = ComputeChartLayout(800, 600, 96, strips, false);
  const ChartLayout large = ComputeChartLayout(1200, 900, 144, strips, false);
  EXPECT_EQ(large.fontHeight, normal.fontHeight * 3 / 2);
  EXPECT_EQ(large.PlotLeft(), normal.PlotLeft() * 3 / 2);
  EXPECT_EQ(large.lineWidth, 2);
  EXPECT_EQ(normal.lineWidth, 1);
  for (const ChartLayout* layout : {&normal, &large}) {
    ASSERT_EQ(layout->lanes.size(), 3u);
    int top = layout->header.bottom;
    for (const LaneLayout& lane : layout->lanes) {
      EXPECT_GE(lane.plot.top, top);
      EXPECT_EQ(lane.title.top, lane.plot.top);  // beside the plot, not on a row of its own
      EXPECT_LE(lane.title.right, layout->PlotLeft() - layout->Scaled(48));
      if (lane.strip) {
        EXPECT_EQ(lane.plot.Height(), layout->lineHeight);
      } else {
        EXPECT_GT(lane.plot.Height(), 200);
      }
      top = lane.plot.bottom;
    }
    EXPECT_LE(top + layout->tickLength, layout->timeAxis.top);
    EXPECT_LE(layout->timeAxis.bottom, layout->dpi == 96 ? 600 : 900);
  }
  // The statistics get a column beside the plots where there is room for it.
  const ChartLayout figures = ComputeChartLayout(800, 600, 96, strips, true);
  ASSERT_TRUE(figures.figuresShown);
  EXPECT_LT(figures.PlotRight(), normal.PlotRight());
  EXPECT_GE(figures.lanes[0].figures.left, figures.PlotRight());
  EXPECT_TRUE(figures.lanes[1].figures.Empty());
  EXPECT_FALSE(ComputeChartLayout(360, 300, 96, strips, true).figuresShown);
}

// The Combo preset's fourteen columns, as the simulated instrument answers: seven readings
// drifting around their set points, seven flags and codes.
TEST(ChartLayout, EveryAnalogLaneOfTheComboPresetHasTwoTicksByDefaultAndThreeMaximised) {
  ChartRun run;
  run.Start(SplitTitles(kComboPreset.columnTitles), {2026, 12, 7, 9, 30, 15, 0});
  for (int row = 0; row < 3000; ++row) {
    const double wave = std::sin(row * 0.003);
    const double noise = std::sin(row * 12.9898) * 0.5;
    char reply[200];
    std::snprintf(reply, sizeof reply, "%.3f,%.3f,%.2f,1,0,1,%.3f,%.3f,%.3f,%.3f,1,0,1,0", 150 + 0.4 * wave + 0.05 * noise,
                  1.85 + 0.0006 * wave, 123 + 0.3 * wave + 0.1 * noise, 0.5 + 0.02 * wave + 0.004 * noise,
                  1.2 + 0.04 * wave, 25 + 0.004 * wave + 0.002 * noise, 10 - 0.008 * wave);
    run.AddRow(row * kIntervalMs, {}, reply);
  }
  // A window's frame on Windows 10 at 96 DPI: the client area is this much smaller.
  constexpr int kFrameWidth = 16;
  constexpr int kFrameHeight = 39;
  const PixelRect window = PlaceBeside({0, 0, 471, 306}, 23, {0, 0, 1024, 768}, kChartDefaultSize, kChartMinimumSize);
  for (const auto& [width, height, fewest] :
       {std::tuple{window.Width() - kFrameWidth, window.Height() - kFrameHeight, 2u}, std::tuple{1920, 1017, 3u}}) {
    const ChartScene scene =
        BuildChartScene(run, ChartView(), {}, {.width = width, .height = height, .dpi = 96, .cursorX = {}, .source = {}});
    ASSERT_EQ(scene.lanes.size(), 14u);
    EXPECT_EQ(std::count_if(scene.lanes.begin(), scene.lanes.end(),
                            [](const SceneLane& lane) { return lane.kind == LaneKind::State; }),
              7);
    for (const SceneLane& lane : scene.lanes) {
      if (lane.kind == LaneKind::State) continue;
      EXPECT_GE(lane.values.Scale().ticks.size(), fewest) << run.Title(lane.column) << " at " << width << "x" << height;
    }
  }
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

  ChartScene Build(std::optional<int> cursorX = {}, const LaneAlarms* alarms = nullptr) const {
    return BuildChartScene(run_, view_, choices_,
                           {.width = 1000, .height = 600, .dpi = 96, .cursorX = cursorX, .source = {}, .alarms = alarms});
  }

  // True when one of the lane's lines runs on from at or left of row `before` to at or right of
  // row `after`.
  static bool LineSpans(const ChartScene& scene, size_t lane, int before, int after) {
    const long beforeX = std::lround(scene.time.X(before * kIntervalMs));
    const long afterX = std::lround(scene.time.X(after * kIntervalMs));
    return std::any_of(scene.polylines.begin(), scene.polylines.end(), [&](const ScenePolyline& line) {
      const auto [left, right] = std::minmax_element(line.points.begin(), line.points.end(),
                                                     [](const ScenePoint& a, const ScenePoint& b) { return a.x < b.x; });
      return line.lane == lane && left->x <= beforeX && right->x >= afterX;
    });
  }

  // The strip segments' colours, left to right, and the texts written in them.
  static std::vector<uint32_t> StripColors(const ChartScene& scene, size_t lane) {
    std::vector<uint32_t> colors;
    for (const SceneFill& fill : scene.strips.fills) {
      if (fill.rect.top == scene.layout.lanes[lane].plot.top) colors.push_back(fill.color);
    }
    return colors;
  }

  ChartRun run_;
  ChartView view_;
  LaneChoices choices_;
};

TEST_F(ChartSceneTest, ConstantLanesLieInTheMiddleOfTheirPlots) {
  AddRows(50, [](int) { return "5.5,-2.25"; });
  const ChartScene scene = Build();
  ASSERT_EQ(scene.lanes.size(), 2u);
  for (size_t lane = 0; lane < 2; ++lane) {
    const ValueTransform& values = scene.lanes[lane].values;
    const int expectedY = static_cast<int>(std::lround(values.Y(lane == 0 ? 5.5 : -2.25)));
    EXPECT_NEAR(expectedY, (values.Plot().top + values.Plot().bottom) / 2, 1);
    size_t points = 0;
    for (const ScenePolyline& line : scene.polylines) {
      if (line.lane != lane) continue;
      for (const ScenePoint& point : line.points) {
        EXPECT_EQ(point.y, expectedY);
        EXPECT_TRUE(values.Plot().Contains(point.x, point.y));
        ++points;
      }
    }
    EXPECT_GE(points, 2u);
  }
}

TEST_F(ChartSceneTest, LimitsAreDashedTheStretchesOutsideShadedAndALaneInAlarmRed) {
  // Level leaves its band (2..8) at rows 40-49, and comes back at row 50.
  AddRows(100, [](int row) { return std::string(row >= 40 && row < 50 ? "9.5" : "5") + ",1.25"; });
  LaneAlarms alarms;
  alarms.limits = LimitsOfLanes(run_, {{L" Level", 2.0, 8.0, 1}});
  ASSERT_EQ(alarms.limits.size(), 1u);
  alarms.inAlarm = {0};
  const ChartScene scene = Build({}, &alarms);
  const ValueTransform& values = scene.lanes[0].values;
  std::vector<int> dashedRows;
  for (const SceneLine& line : scene.strips.lines) {
    if (line.dashed) dashedRows.push_back(line.from.y);
  }
  // The high limit is inside the scale; the low one below the values may not be.
  EXPECT_TRUE(std::count(dashedRows.begin(), dashedRows.end(), std::lround(values.Y(8.0))) == 1);
  const std::vector<uint32_t> shades = StripColors(scene, 0);
  ASSERT_EQ(shades.size(), 1u);
  const SceneFill& shade = scene.strips.fills.front();
  EXPECT_NEAR(shade.rect.left, scene.time.X(40 * kIntervalMs), 1);
  EXPECT_NEAR(shade.rect.right, scene.time.X(50 * kIntervalMs), 1);
  EXPECT_TRUE(StripColors(scene, 1).empty());
  const std::vector<SceneText> texts = AllTexts(scene);
  const auto colorOf = [&](const std::wstring& text) {
    return std::find_if(texts.begin(), texts.end(), [&](const SceneText& t) { return t.text == text; })->color;
  };
  EXPECT_EQ(colorOf(L"Level"), kAlarmColor);
  EXPECT_EQ(colorOf(L"5"), kAlarmColor);  // its newest value
  EXPECT_EQ(colorOf(L"Offset"), LaneColor(1));
}

TEST_F(ChartSceneTest, EmptyRowsBreakEveryLaneAndTextBreaksItsOwn) {
  AddRows(200, [](int row) -> std::string {
    if (row >= 80 && row < 90) return "";
    return std::to_string(row % 7) + ".5" + (row >= 120 && row < 125 ? ",OK" : ",3.5");
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
  AddRows(100'000, [](int row) { return row >= 50'000 && row < 51'000 ? std::string() : std::string("1.5,2.5"); });
  scene = Build();
  for (size_t lane = 0; lane < 2; ++lane) {
    EXPECT_FALSE(LineSpans(scene, lane, 49'999, 51'000)) << lane;
    EXPECT_TRUE(LineSpans(scene, lane, 20'000, 30'000)) << lane;
  }
}

TEST_F(ChartSceneTest, FlagsAndCodesAreStripsUntilTheyStopLookingLikeStates) {
  run_.Start(SplitTitles(L"Level,Output,Errors,Mode"), kStart);
  AddRows(100, [](int row) { return std::to_string(row) + ".5," + (row < 50 ? "1" : "0") + ",0," + std::to_string(row % 8); });
  ChartScene scene = Build();
  ASSERT_EQ(scene.lanes.size(), 4u);
  EXPECT_EQ(scene.lanes[0].kind, LaneKind::Analog);
  EXPECT_EQ(scene.lanes[1].kind, LaneKind::State);
  EXPECT_EQ(scene.lanes[2].kind, LaneKind::State);
  EXPECT_EQ(scene.lanes[3].kind, LaneKind::State);  // eight codes are still states
  EXPECT_EQ(scene.layout.lanes[1].plot.Height(), scene.layout.lineHeight);
  // Each change starts a segment in its value's colour, with the value written inside.
  EXPECT_EQ(StripColors(scene, 1), (std::vector<uint32_t>{StateColor(1, false), StateColor(0, false)}));
  EXPECT_TRUE(HasText(scene, L"1"));
  EXPECT_NE(StateColor(1, false), StateColor(0, false));

  // An error code stands out; one row is too narrow for its text.
  run_.AddRow(100 * kIntervalMs, kStart, "7.5,0,3,1");
  scene = Build();
  EXPECT_EQ(StripColors(scene, 2).back(), StateColor(3, true));
  EXPECT_NE(StateColor(3, true), StateColor(3, false));
  EXPECT_FALSE(HasText(scene, L"3"));

  // A ninth code, or a fraction, and the lane is analog for good.
  run_.AddRow(101 * kIntervalMs, kStart, "1.5,0.5,0,8");
  run_.AddRow(102 * kIntervalMs, kStart, "1.5,1,0,1");
  scene = Build();
  EXPECT_EQ(scene.lanes[1].kind, LaneKind::Analog);
  EXPECT_EQ(scene.lanes[3].kind, LaneKind::Analog);
  EXPECT_GE(scene.lanes[1].values.Scale().ticks.size(), 2u);

  // The user's choice, by title, wins either way.
  choices_.kindByTitle = {{L"Level", LaneKind::State}, {L"Errors", LaneKind::Analog}};
  scene = Build();
  EXPECT_EQ(scene.lanes[0].kind, LaneKind::State);
  EXPECT_EQ(scene.lanes[2].kind, LaneKind::Analog);

  // A measurement that sits on a round value is a line from its first row; only plain integers
  // make a strip. The newest value is shown with the digits the instrument wrote.
  run_.Start(SplitTitles(L"Sensor R,Gain,Flag"), kStart);
  AddRows(10, [](int) { return " 10.000 ,1e1,+1"; });
  scene = Build();
  ASSERT_EQ(scene.lanes.size(), 3u);
  EXPECT_EQ(scene.lanes[0].kind, LaneKind::Analog);
  EXPECT_EQ(scene.lanes[1].kind, LaneKind::Analog);
  EXPECT_EQ(scene.lanes[2].kind, LaneKind::State);
  EXPECT_TRUE(HasText(scene, L"10.000"));
  EXPECT_TRUE(HasText(scene, L"1e1"));
}

TEST_F(ChartSceneTest, StatisticsBesideEachAnalogLane) {
  AddRows(100, [](int row) { return std::to_string(row % 2) + ".5,25.003"; });
  choices_.statistics = true;
  const ChartScene scene = Build();
  ASSERT_TRUE(scene.layout.figuresShown);
  EXPECT_TRUE(HasText(scene, L"mean 1.00  sd 0.50"));
  EXPECT_TRUE(HasText(scene, L"min 0.5  max 1.5"));
  EXPECT_TRUE(HasText(scene, L"p-p 1.0  n 100"));
  EXPECT_TRUE(HasText(scene, L"mean 25.003  sd 0"));
  EXPECT_TRUE(HasText(scene, L"p-p 0  n 100"));
}

TEST_F(ChartSceneTest, ReadoutShowsTheNearestRowAndHiddenLanesGoAway) {
  AddRows(100, [](int row) { return std::to_string(row) + ",7"; });
  const ChartScene plain = Build();
  const int cursorX = static_cast<int>(std::lround(plain.time.X(42 * kIntervalMs + 10)));
  const ChartScene scene = Build(cursorX);
  ASSERT_TRUE(scene.cursor);
  EXPECT_NEAR(scene.cursor->from.x, plain.time.X(42 * kIntervalMs), 1);
  EXPECT_TRUE(HasText(scene, L"42"));
  EXPECT_TRUE(HasText(scene, L"7"));
  EXPECT_TRUE(HasText(scene, L"4.200 s  09:30:19"));
  EXPECT_TRUE(HasText(scene, L"Started 2026-12-07 09:30:15"));
  // No axis label is left half covered by the readout's time: their row is cleared around it.
  ASSERT_FALSE(scene.readout.fills.empty());
  const PixelRect& cleared = scene.readout.fills.front().rect;
  const SceneText& readout = scene.readout.texts.front();
  for (const SceneText& text : scene.rowTexts.texts) {
    if (text.y == readout.y && std::abs(text.x - readout.x) < 60) {
      EXPECT_TRUE(cleared.Contains(text.x - 15, text.y) && cleared.Contains(text.x + 15, text.y)) << text.x;
    }
  }

  choices_.hiddenColumns.insert(0);
  EXPECT_EQ(Build().lanes.size(), 1u);
  EXPECT_EQ(Build().lanes[0].column, 1u);
}

// A later scene keeps a lane's scale while its values still fit, so new extremes within it move nothing.
TEST_F(ChartSceneTest, ScalesStayWhileTheValuesFit) {
  AddRows(100, [](int row) { return std::to_string(10 + (row % 10) * 0.1) + ",1.5"; });
  const ChartScene first = Build();
  run_.AddRow(100 * kIntervalMs, kStart, "10.94,1.5");
  ChartScene later = BuildChartScene(run_, view_, choices_,
                                     {.width = 1000, .height = 600, .dpi = 96, .cursorX = {}, .source = {}, .previous = &first.lanes});
  EXPECT_EQ(later.lanes[0].values.Scale(), first.lanes[0].values.Scale());
  EXPECT_EQ(later.frame, first.frame);
  // Values beyond the scale, or a constant's padded range once the values vary inside it: a new scale.
  run_.AddRow(101 * kIntervalMs, kStart, "30,1.52");
  later = BuildChartScene(run_, view_, choices_,
                          {.width = 1000, .height = 600, .dpi = 96, .cursorX = {}, .source = {}, .previous = &first.lanes});
  EXPECT_GE(later.lanes[0].values.Scale().high, 30);
  EXPECT_LT(later.lanes[1].values.Scale().high, first.lanes[1].values.Scale().high);
}

// The readout shows each row's own clock: the clock set back an hour mid-run shows as it was.
TEST_F(ChartSceneTest, TheReadoutShowsTheClockAsTheRowsSawItAcrossADaylightSavingChange) {
  for (int row = 0; row < 100; ++row) {
    const int64_t elapsed = row * kIntervalMs;
    run_.AddRow(elapsed, AddMilliseconds(kStart, elapsed - (row >= 50 ? 3'600'000 : 0)), "1.5");
  }
  const auto readoutAt = [&](int64_t elapsed) {
    const ChartScene plain = Build();
    const ChartScene scene = Build(static_cast<int>(std::lround(plain.time.X(static_cast<double>(elapsed)))));
    for (const SceneText& text : scene.readout.texts) {
      if (text.text.find(L" s  ") != std::wstring::npos) return text.text;
    }
    return std::wstring();
  };
  EXPECT_EQ(readoutAt(4'000), L"4.000 s  09:30:19");
  EXPECT_EQ(readoutAt(7'000), L"7.000 s  08:30:22");
}

}  // namespace
}  // namespace velmar

#include <gtest/gtest.h>

#include <string>

#include "chart/chart_scene.h"
#include "chart/repaint_plan.h"
#include "core/reply_fields.h"

namespace velmar {
namespace {

constexpr int64_t kIntervalMs = 100;

class ChartRepaintTest : public testing::Test {
 protected:
  void SetUp() override { run_.Start(SplitTitles(L"Level,Offset,Output"), {2026, 12, 7, 9, 30, 15, 0}); }

  void AddRow(int row, double level) {
    run_.AddRow(row * kIntervalMs, {}, std::to_string(level) + "," + std::to_string(1.5 + row % 3 * 0.1) + ",1");
  }

  ChartScene Build(const std::vector<SceneLane>* previous = nullptr) const {
    return BuildChartScene(run_, ChartView(), {},
                           {.width = 800, .height = 600, .dpi = 96, .cursorX = {}, .source = {}, .previous = previous});
  }

  ChartRun run_;
};

// Following All, the view moves on in steps: a new row leaves what is drawn in place, and only
// the plots from the row's own place on are drawn again; a lane whose scale changes is drawn
// again, and the frame only in its rows.
TEST_F(ChartRepaintTest, ANewRowRedrawsFromItsPlaceOnAndANewScaleOnlyItsLane) {
  for (int row = 0; row < 73; ++row) AddRow(row, 10 + row % 5 * 0.5);
  const ChartScene before = Build();
  AddRow(73, 11);
  const ChartScene after = Build(&before.lanes);
  ASSERT_EQ(after.time.Visible().endMs, before.time.Visible().endMs);
  EXPECT_TRUE(FrameChange(before.frame, after.frame, after.layout, 800).Empty());
  const std::vector<PixelRect> parts = OverlayChanges(OverlayOf(before), OverlayOf(after), after.layout);
  ASSERT_EQ(parts.size(), 3u);  // each lane, the strip too, where its newest row lies
  for (const PixelRect& part : parts) {
    EXPECT_GE(part.left, after.time.X(71 * kIntervalMs)) << part.top;
    EXPECT_LE(part.left, after.time.X(73 * kIntervalMs)) << part.top;
  }

  AddRow(74, 40);
  const ChartScene grown = Build(&after.lanes);
  ASSERT_NE(grown.lanes[0].values, after.lanes[0].values);
  const PixelRect band = FrameChange(after.frame, grown.frame, grown.layout, 800);
  EXPECT_LT(band.top, grown.layout.lanes[0].plot.bottom);
  EXPECT_GT(band.bottom, grown.layout.lanes[0].plot.top);
  EXPECT_LT(band.bottom, grown.layout.lanes[1].plot.top + grown.layout.lanes[1].plot.Height() / 2);
  const std::vector<PixelRect> again = OverlayChanges(OverlayOf(after), OverlayOf(grown), grown.layout);
  ASSERT_FALSE(again.empty());
  EXPECT_LE(again[0].left, grown.layout.PlotLeft());  // the whole of the lane with the new scale
}

}  // namespace
}  // namespace velmar

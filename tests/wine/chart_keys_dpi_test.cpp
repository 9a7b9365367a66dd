#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "chart/placement.h"
#include "chart/state_strips.h"
#include "tests/wine/chart_window_fixture_win.h"

namespace velmar {
namespace {

using test::ChartWindowTest;
using test::kIntervalMs;

// The keys reach the view through the window's own input: pressed on the keyboard, read from
// the thread's queue, translated and dispatched.
TEST_F(ChartWindowTest, KeysMoveTheViewAndEndFollowsAgain) {
  chart_->Show();
  StartRun(6000, [](int row) { return std::to_string(row % 7) + ".5"; });
  SetForegroundWindow(chart_->Hwnd());
  SetFocus(chart_->Hwnd());
  const ChartView& view = chart_->View();
  const RunExtent extent{true, 0, 5999 * kIntervalMs};
  Press(VK_LEFT);
  ASSERT_TRUE(RunMessagesUntil([&] { return !view.Following(); }));
  EXPECT_LT(view.Visible(extent).endMs, extent.lastMs);
  Press(VK_END);
  ASSERT_TRUE(RunMessagesUntil([&] { return view.Following(); }));
  EXPECT_GE(view.Visible(extent).endMs, extent.lastMs);
  for (const auto& [key, window] : {std::pair{'1', TimeWindow::LastMinute}, std::pair{'2', TimeWindow::LastTenMinutes},
                                    std::pair{'3', TimeWindow::LastHour}, std::pair{'A', TimeWindow::All}}) {
    Press(static_cast<WORD>(key));
    EXPECT_TRUE(RunMessagesUntil([&] { return view.Window() == window; })) << key;
  }
  Press(VK_HOME);
  ASSERT_TRUE(RunMessagesUntil([&] { return !view.Following(); }));
  EXPECT_EQ(view.Visible(extent).startMs, 0);
}

// In the Wine prefix of its own at 144 DPI (VELMAR_TEST_DPI=144), or at the usual 96: the window
// first opens beside its owner at the default size for that DPI, and lays itself out for it.
TEST_F(ChartWindowTest, OpensBesideItsOwnerAndLaysItselfOutAtTheMonitorsDpi) {
  char wanted[8] = "";
  const int dpi = GetEnvironmentVariableA("VELMAR_TEST_DPI", wanted, sizeof wanted) > 0 ? std::atoi(wanted) : 96;
  chart_->Show();
  ASSERT_EQ(WindowDpi(chart_->Hwnd()), dpi);
  RECT owner{};
  GetWindowRect(owner_, &owner);
  POINT client{0, 0};
  ClientToScreen(owner_, &client);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(owner_, MONITOR_DEFAULTTONEAREST), &monitor);
  const auto scaled = [dpi](PixelSize size) { return PixelSize{MulDiv(size.width, dpi, 96), MulDiv(size.height, dpi, 96)}; };
  const PixelRect expected = PlaceBeside({owner.left, owner.top, owner.right, owner.bottom}, client.y - owner.top,
                                         {monitor.rcWork.left, monitor.rcWork.top, monitor.rcWork.right, monitor.rcWork.bottom},
                                         scaled(kChartDefaultSize), scaled(kChartMinimumSize));
  RECT placed{};
  GetWindowRect(chart_->Hwnd(), &placed);
  EXPECT_EQ((PixelRect{placed.left, placed.top, placed.right, placed.bottom}), expected);
  EXPECT_GE(placed.left, owner.right);  // beside it, on the right

  chart_->OnRunStarted({L"cmd", L"Level,Output", {2026, 12, 7, 9, 30, 15, 0}});
  for (int row = 0; row < 50; ++row) chart_->OnRow({row + 1, row * kIntervalMs, {}, "5.5,1"});
  Capture(chart_->Hwnd());
  const ChartLayout layout = ComputeChartLayout(width_, height_, dpi, {false, true}, false);
  EXPECT_EQ(layout.fontHeight, MulDiv(12, dpi, 96));
  // The analog lane's line, as thick as the DPI makes it, where its scale puts the value.
  const PixelRect& plot = layout.lanes[0].plot;
  const ValueTransform values{plot, ChooseValueScale(5.5, 5.5, layout.ValueTicks(plot))};
  const std::vector<int> rows = LineRows(plot, (plot.left + plot.right) / 2, LaneColor(0));
  ASSERT_EQ(rows.size(), static_cast<size_t>(layout.lineWidth));
  EXPECT_LE(std::abs(rows.front() - static_cast<int>(std::lround(values.Y(5.5)))), 1);
  // The strip, one line of text high, in its value's colour, with the value written in it.
  const PixelRect& strip = layout.lanes[1].plot;
  EXPECT_EQ(strip.Height(), layout.lineHeight);
  EXPECT_EQ(Pixel((strip.left + strip.right) / 2, strip.bottom - 2), StateColor(1, false));
  int written = 0;
  for (int y = strip.top; y < strip.bottom; ++y) {
    for (int x = strip.left; x < strip.left + layout.TextWidth(2); ++x) written += Pixel(x, y) != StateColor(1, false);
  }
  EXPECT_GT(written, 3);
}

}  // namespace
}  // namespace velmar

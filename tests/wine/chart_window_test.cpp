#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "chart/chart_layout.h"
#include "chart/chart_menu_win.h"
#include "chart/chart_painter_win.h"
#include "chart/chart_scene.h"
#include "chart/limit_marks.h"
#include "tests/wine/chart_window_fixture_win.h"

namespace velmar {
namespace {

using test::ChartWindowTest;
using test::kIntervalMs;
using test::kRoot;

TEST_F(ChartWindowTest, ConstantLanesAreDrawnWhereTheLayoutPutsThem) {
  chart_->Show();
  ASSERT_TRUE(chart_->IsOpen());
  wchar_t caption[128] = L"";
  GetWindowTextW(chart_->Hwnd(), caption, 128);
  EXPECT_STREQ(caption, L"Live Chart - Velmar Simple Data Logger");
  EXPECT_EQ(GetWindow(chart_->Hwnd(), GW_OWNER), owner_);

  StartRun(50, [](int) { return "5.5,-2.25"; });
  Capture(chart_->Hwnd());
  const ChartLayout layout = Layout(2);
  ASSERT_EQ(layout.lanes.size(), 2u);
  for (size_t lane = 0; lane < 2; ++lane) {
    const PixelRect& plot = layout.lanes[lane].plot;
    const double value = lane == 0 ? 5.5 : -2.25;
    const ValueTransform values{plot, ChooseValueScale(value, value, layout.ValueTicks(plot))};
    const int expectedY = static_cast<int>(std::lround(values.Y(value)));
    const uint32_t color = LaneColor(lane);
    // From the first row to the last, which the view following All leaves a little short of its right edge.
    const TimeTransform time = layout.Time(ChartView().Visible({true, 0, 49 * kIntervalMs}));
    for (const int x : {plot.left + 2, (plot.left + plot.right) / 2, static_cast<int>(time.X(49 * kIntervalMs)) - 2}) {
      const std::vector<int> rows = LineRows(plot, x, color);
      ASSERT_FALSE(rows.empty()) << "lane " << lane << " x " << x;
      EXPECT_LE(rows.front(), expectedY);
      EXPECT_GE(rows.back(), expectedY);
      EXPECT_GT(rows.front(), plot.top + plot.Height() / 3);
      EXPECT_LT(rows.back(), plot.bottom - plot.Height() / 3);
    }
  }
}

TEST_F(ChartWindowTest, PainterDrawsAt144DpiWhatTheSceneSays) {
  constexpr int kDpi = 144;
  ChartRun run;
  run.Start({}, {});
  for (int row = 0; row < 20; ++row) run.AddRow(row * kIntervalMs, {}, "3.5");
  const ChartScene scene = BuildChartScene(run, ChartView(), {}, {.width = 900, .height = 600, .dpi = kDpi,
                                                                    .cursorX = {}, .source = {}});
  Draw(900, 600, [&](HDC dc) { ChartPainter().Paint(dc, scene, 900, 600); });
  const ChartLayout layout = Layout(1, kDpi);
  ASSERT_EQ(layout.lineWidth, 2);
  const PixelRect& plot = layout.lanes[0].plot;
  const std::vector<int> rows = LineRows(plot, (plot.left + plot.right) / 2, LaneColor(0));
  ASSERT_EQ(rows.size(), 2u);  // a line two pixels wide, at the layout's height
  const int expectedY = static_cast<int>(std::lround(scene.lanes[0].values.Y(3.5)));
  EXPECT_LE(std::abs(rows[0] - expectedY), 1);
  EXPECT_EQ(rows[1], rows[0] + 1);
}

TEST_F(ChartWindowTest, EmptyRowsLeaveAGapInEveryLane) {
  chart_->Show();
  StartRun(100, [](int row) { return row >= 40 && row < 60 ? std::string() : std::to_string(row % 5) + ".5,1.5"; });
  Capture(chart_->Hwnd());
  const ChartLayout layout = Layout(2);
  // Following All, from the first row's time.
  const TimeTransform time = layout.Time(ChartView().Visible({true, 0, 99 * kIntervalMs}));
  const auto xOfRow = [&](int row) { return time.X(static_cast<double>(row * kIntervalMs)); };
  for (size_t lane = 0; lane < 2; ++lane) {
    const PixelRect& plot = layout.lanes[lane].plot;
    for (int x = static_cast<int>(xOfRow(39)) + 2; x < static_cast<int>(xOfRow(60)) - 1; ++x) {
      EXPECT_TRUE(LineRows(plot, x, LaneColor(lane)).empty()) << "lane " << lane << " x " << x;
    }
    for (int x = static_cast<int>(xOfRow(5)); x < static_cast<int>(xOfRow(35)); ++x) {
      EXPECT_FALSE(LineRows(plot, x, LaneColor(lane)).empty()) << "lane " << lane << " x " << x;
    }
  }
}

// A row is on screen as soon as its poll is over, before any timer; rows closer together than
// the shortest interval wait for the timer.
TEST_F(ChartWindowTest, ARowIsOnScreenRightAfterItsPollAndTheTimerCatchesUp) {
  chart_->Show();
  StartRun(0, {});
  ASSERT_TRUE(RunMessagesUntil([&] { return !GetUpdateRect(chart_->Hwnd(), nullptr, FALSE); }));
  chart_->OnRow({1, 0, {}, "5.5"});
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_POSTMESSAGE)) DispatchMessageW(&message);
  CaptureScreen(chart_->Hwnd());
  const PixelRect& plot = Layout(1).lanes[0].plot;
  int drawn = 0;
  for (int x = plot.left; x < plot.right; ++x) drawn += LineRows(plot, x, LaneColor(0)).empty() ? 0 : 1;
  EXPECT_GT(drawn, 0);

  ValidateRect(chart_->Hwnd(), nullptr);
  for (int row = 1; row < 1000; ++row) chart_->OnRow({row + 1, row * kIntervalMs, {}, "1,2"});
  // Only the timer's messages run, so no paint takes the update region away meanwhile.
  const ULONGLONG deadline = GetTickCount64() + 5'000;
  while (!GetUpdateRect(chart_->Hwnd(), nullptr, FALSE) && GetTickCount64() < deadline) {
    if (PeekMessageW(&message, chart_->Hwnd(), WM_TIMER, WM_TIMER, PM_REMOVE)) {
      DispatchMessageW(&message);
    } else {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_TIMER);
    }
  }
  EXPECT_TRUE(GetUpdateRect(chart_->Hwnd(), nullptr, FALSE));
}

// Rows that change the layout soon after the texts were drawn: the first row in place of
// "Waiting for the first row", a column's first number, a strip turning into a line. What is on
// the screen after each is what a fresh paint of the chart draws, old texts and all.
TEST_F(ChartWindowTest, ARowThatChangesTheLayoutLeavesNoOldTextBehind) {
  chart_->Show();
  StartRun(0, {});
  ASSERT_TRUE(RunMessagesUntil([&] { return !GetUpdateRect(chart_->Hwnd(), nullptr, FALSE); }));
  int row = 0;
  for (const char* reply : {"5.5", "5.5,1", "5.5,1.5"}) {
    // Past the gap between rows drawn at once, well within the texts' period.
    const auto drawn = std::chrono::steady_clock::now();
    RunMessagesUntil([&] { return std::chrono::steady_clock::now() - drawn >= std::chrono::milliseconds(100); });
    chart_->OnRow({row + 1, row * kIntervalMs, {}, reply});
    ++row;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_POSTMESSAGE)) DispatchMessageW(&message);
    CaptureScreen(chart_->Hwnd());
    const std::vector<uint32_t> screen = pixels_;
    Capture(chart_->Hwnd());
    ASSERT_EQ(screen.size(), pixels_.size());
    size_t differing = 0;
    for (size_t i = 0; i < screen.size(); ++i) differing += (screen[i] & 0xFFFFFF) != (pixels_[i] & 0xFFFFFF);
    EXPECT_EQ(differing, 0u) << "after \"" << reply << "\"";
  }
}

TEST_F(ChartWindowTest, CtrlCPutsTheChartOnTheClipboard) {
  chart_->Show();
  StartRun(20, [](int row) { return std::to_string(row); });
  ASSERT_TRUE(OpenClipboard(owner_));
  EmptyClipboard();
  CloseClipboard();
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  SendMessageW(chart_->Hwnd(), WM_KEYDOWN, 'C', 0);
  keys[VK_CONTROL] = 0;
  SetKeyboardState(keys);
  ASSERT_TRUE(OpenClipboard(owner_));
  const auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
  BITMAP picture{};
  const bool described = bitmap && GetObjectW(bitmap, sizeof picture, &picture) != 0;
  CloseClipboard();
  ASSERT_TRUE(described);
  RECT client{};
  GetClientRect(chart_->Hwnd(), &client);
  EXPECT_EQ(picture.bmWidth, client.right);
  EXPECT_EQ(picture.bmHeight, client.bottom);

  // With Shift, the statistics as text.
  keys[VK_CONTROL] = keys[VK_SHIFT] = 0x80;
  SetKeyboardState(keys);
  SendMessageW(chart_->Hwnd(), WM_KEYDOWN, 'C', 0);
  keys[VK_CONTROL] = keys[VK_SHIFT] = 0;
  SetKeyboardState(keys);
  ASSERT_TRUE(OpenClipboard(owner_));
  std::wstring table;
  if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* text = static_cast<const wchar_t*>(GlobalLock(data))) table = text;
    GlobalUnlock(data);
  }
  CloseClipboard();
  EXPECT_NE(table.find(L"Lane\tMinimum\tMaximum\tMean\tStandard deviation\tPeak-to-peak\tRows\r\n"), std::wstring::npos);
  EXPECT_NE(table.find(L"\r\nLevel\t0\t19\t9.5\t5.8\t19\t20\r\n"), std::wstring::npos) << table;
}

TEST_F(ChartWindowTest, OpensARunOfALogFileThatIsBeingWritten) {
  wchar_t folder[MAX_PATH + 1];
  ASSERT_GT(GetTempPathW(MAX_PATH + 1, folder), 0u);
  const std::wstring path = folder + applicationName_ + L".csv";
  const std::string text =
      "Test started,\"Monday, December 07, 2026 06:12:25\"\r\nQuery used,\"a?\"\r\nPoint,Time(ms),A,B\r\n"
      "1,0,5.5,-2.5\r\n2,100,5.5,-2.5\r\n"
      "Test started,\"Monday, December 07, 2026 07:00:00\"\r\nQuery used,\"b?\"\r\nPoint,Time(ms),C\r\n"
      "1,0,9.5\r\n2,100,9.5\r\n3,2";
  // Held open for writing the way the logger holds it while it appends a row.
  const UniqueFile writer(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(writer);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(writer.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr));

  chart_->Show();
  StartRun(10, [](int) { return "1.5,1.5,1.5"; });
  ASSERT_TRUE(chart_->ShowLogRun(path, 0));
  ASSERT_TRUE(LoadEnds());
  ASSERT_TRUE(chart_->ShowingLog());
  Capture(chart_->Hwnd());
  ChartLayout layout = Layout(2);
  EXPECT_FALSE(LineRows(layout.lanes[1].plot, layout.PlotLeft() + 10, LaneColor(1)).empty());

  ASSERT_TRUE(chart_->ShowLogRun(path));  // the last run, with its one column
  ASSERT_TRUE(LoadEnds());
  Capture(chart_->Hwnd());
  layout = Layout(1);
  const PixelRect& plot = layout.lanes[0].plot;
  EXPECT_FALSE(LineRows(plot, plot.left + 10, LaneColor(0)).empty());
  ASSERT_TRUE(chart_->ShowLogRun(path, 2));
  ASSERT_TRUE(LoadEnds());
  EXPECT_FALSE(chart_->ShowingLog());
  EXPECT_FALSE(chart_->ShowLogRun(path + L".missing"));

  chart_->ShowLiveRun();
  Capture(chart_->Hwnd());
  EXPECT_EQ(Layout(3).lanes.size(), 3u);
  EXPECT_FALSE(LineRows(Layout(3).lanes[2].plot, Layout(3).PlotLeft() + 10, LaneColor(2)).empty());
  DeleteFileW(path.c_str());
}

TEST_F(ChartWindowTest, RemembersTheTimeWindowAndHiddenLanesInItsOwnKey) {
  chart_->Show();
  StartRun(5, [](int) { return "1.5,2.5,3.5"; });
  SendMessageW(chart_->Hwnd(), WM_KEYDOWN, '2', 0);
  SendMessageW(chart_->Hwnd(), WM_KEYDOWN, 'S', 0);
  SendMessageW(chart_->Hwnd(), WM_COMMAND, kFirstKind + 1, 0);
  const Profile profile(kRoot, applicationName_);
  EXPECT_EQ(profile.ReadInt(L"Chart", L"TimeWindow", -1), static_cast<int>(TimeWindow::LastTenMinutes));
  EXPECT_EQ(profile.ReadInt(L"Chart", L"Statistics", -1), 1);
  EXPECT_EQ(profile.ReadText(L"Chart", L"StateLanes"), L"Offset");
  profile.WriteText(L"Chart", L"HiddenColumns", L"2");
  ChartWindow another(owner_, profile);
  another.Show();
  another.OnRunStarted({L"cmd", L"", {}});
  another.OnRow({1, 0, {}, "1.5,2.5,3.5"});
  Capture(another.Hwnd());
  EXPECT_FALSE(LineRows(Layout(2).lanes[1].plot, Layout(2).PlotLeft(), LaneColor(2)).empty());
  EXPECT_TRUE(LineRows(Layout(3).lanes[1].plot, Layout(3).PlotLeft(), LaneColor(1)).empty());
  EXPECT_EQ(profile.ReadText(L"Settings", L"Command"), L"");
}

class OneLimit final : public ChartAlarms {
 public:
  const std::vector<ColumnLimit>& Limits() const override { return limits_; }
  bool ColumnInAlarm(size_t column) const override { return column == 0; }
  bool EditLimit(HWND, const std::wstring& title) override {
    edited_ = title;
    return true;
  }

  std::vector<ColumnLimit> limits_{{L"Level", std::nullopt, 8.0, 1}};
  std::wstring edited_;
};

TEST_F(ChartWindowTest, ALimitIsADashedRedLineOverTheShadedStretchOutsideIt) {
  OneLimit alarms;
  chart_->SetAlarms(&alarms);
  chart_->Show();
  StartRun(100, [](int row) { return std::string(row >= 40 && row < 60 ? "9.5" : "5.5") + ",1.25"; });
  Capture(chart_->Hwnd());
  const ChartLayout layout = Layout(2);
  const PixelRect& plot = layout.lanes[0].plot;
  const TimeTransform time = layout.Time(ChartView().Visible({true, 0, 99 * kIntervalMs}));
  const auto count = [&](int x, uint32_t color) { return LineRows(plot, x, color).size(); };
  EXPECT_GT(count(static_cast<int>(time.X(50 * kIntervalMs)), kOutsideShade), static_cast<size_t>(plot.Height() / 2));
  EXPECT_EQ(count(static_cast<int>(time.X(20 * kIntervalMs)), kOutsideShade), 0u);
  int dashedRow = -1;
  for (int y = plot.top; y < plot.bottom; ++y) {
    int red = 0;
    for (int x = plot.left; x < plot.right; ++x) red += Pixel(x, y) == kAlarmColor;
    if (red > plot.Width() / 4 && red < plot.Width()) dashedRow = y;
  }
  EXPECT_GT(dashedRow, plot.top);
  SendMessageW(chart_->Hwnd(), WM_COMMAND, kFirstLimits + 0, 0);
  EXPECT_EQ(alarms.edited_, L"Level");
}

TEST_F(ChartWindowTest, PlacementComesBackOnAVisibleMonitor) {
  chart_->Show();
  SetWindowPos(chart_->Hwnd(), nullptr, 40, 30, 500, 400, SWP_NOZORDER);
  chart_->Close();
  EXPECT_FALSE(chart_->IsOpen());
  chart_->Show();
  RECT restored{};
  GetWindowRect(chart_->Hwnd(), &restored);
  EXPECT_EQ(restored.left, 40);
  EXPECT_EQ(restored.top, 30);
  EXPECT_EQ(restored.right - restored.left, 500);
  chart_->Close();

  Profile(kRoot, applicationName_).WriteInt(L"Chart", L"X", 30'000);
  chart_->Show();
  GetWindowRect(chart_->Hwnd(), &restored);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(chart_->Hwnd(), MONITOR_DEFAULTTONEAREST), &monitor);
  EXPECT_GE(restored.left, monitor.rcWork.left);
  EXPECT_LE(restored.right, monitor.rcWork.right);
}

}  // namespace
}  // namespace velmar

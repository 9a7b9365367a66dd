#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <optional>

#include "chart/chart_menu_win.h"
#include "chart/chart_run.h"
#include "chart/chart_scene.h"
#include "core/reply_fields.h"
#include "framework/unique_handle_win.h"
#include "res/resource.h"
#include "tests/e2e/logger_fixture_win.h"

namespace velmar::test {
namespace {

constexpr WPARAM kLiveChartCommand = 0x0020;
constexpr wchar_t kChartCaption[] = L"Live Chart - Velmar Simple Data Logger";

// The chart as its Copy puts it on the clipboard, pixel by pixel.
class ChartPicture {
 public:
  bool Take(HWND chart) {
    if (!OpenClipboardSoon()) return false;
    EmptyClipboard();
    CloseClipboard();
    driver::SendBounded(chart, WM_COPY, 0, 0);
    if (!OpenClipboardSoon()) return false;
    bool taken = false;
    if (HANDLE data = GetClipboardData(CF_DIB)) {
      const auto* info = static_cast<const BITMAPINFOHEADER*>(GlobalLock(data));
      // 32-bit pixels may come with the three colour masks (BGRA order) after the header.
      const bool masks = info && info->biCompression == BI_BITFIELDS && info->biBitCount == 32;
      if (info && (info->biBitCount == 32 || info->biBitCount == 24) && (info->biCompression == BI_RGB || masks)) {
        width_ = info->biWidth;
        height_ = std::abs(info->biHeight);
        bottomUp_ = info->biHeight > 0;
        bytesPerPixel_ = info->biBitCount / 8;
        stride_ = (width_ * bytesPerPixel_ + 3) & ~3;
        const auto* bits = reinterpret_cast<const BYTE*>(info) + info->biSize + (masks ? 3 * sizeof(DWORD) : 0);
        bits_.assign(bits, bits + static_cast<size_t>(stride_) * height_);
        taken = true;
      }
      GlobalUnlock(data);
    }
    CloseClipboard();
    return taken;
  }

  int Width() const { return width_; }
  uint32_t At(int x, int y) const {
    const int row = bottomUp_ ? height_ - 1 - y : y;
    const BYTE* pixel = &bits_[static_cast<size_t>(row) * stride_ + static_cast<size_t>(x) * bytesPerPixel_];
    return (uint32_t{pixel[2]} << 16) | (uint32_t{pixel[1]} << 8) | pixel[0];
  }
  // Rows of this column within [top, bottom) that have the colour.
  std::vector<int> RowsOf(uint32_t color, int x, int top, int bottom) const {
    std::vector<int> rows;
    for (int y = std::max(top, 0); y < std::min(bottom, height_); ++y) {
      if (At(x, y) == color) rows.push_back(y);
    }
    return rows;
  }

 private:
  static bool OpenClipboardSoon() {
    return driver::WaitFor([] { return OpenClipboard(nullptr) != FALSE; }, Millis(3000));
  }

  int width_ = 0;
  int height_ = 0;
  bool bottomUp_ = true;
  int bytesPerPixel_ = 4;
  int stride_ = 0;
  std::vector<BYTE> bits_;
};

class ChartTest : public LoggerTest {
 protected:
  void SetUp() override {
    LoggerTest::SetUp();
    ASSERT_TRUE(sim_.Start(kSimPort));
  }

  HWND OpenChart() {
    Dialog().SendSysCommand(kLiveChartCommand);
    HWND chart = nullptr;
    driver::WaitFor([&] {
      const auto found = driver::FindProcessWindows(logger_.ProcessId(), kChartCaption);
      chart = found.size() == 1 ? found[0] : nullptr;
      return chart != nullptr;
    }, Millis(10000));
    return chart;
  }

  // "Open log..." from the chart, with the file chosen in the real file dialog.
  void OpenLogThroughTheFileDialog(HWND chart, const std::wstring& log) {
    PostMessageW(chart, WM_COMMAND, kOpenLog, 0);
    ASSERT_TRUE(Dialog().ChooseInFileDialog(log, Millis(10000)));
  }

  static bool LaneDrawn(HWND chart, size_t column) {
    ChartPicture picture;
    if (!picture.Take(chart)) return false;
    for (int x = 0; x < picture.Width(); x += 3) {
      if (!picture.RowsOf(LaneColor(column), x, 0, 4000).empty()) return true;
    }
    return false;
  }

  // The scene the chart draws for the rows of the log's last run, in a client area of this size.
  static ChartScene SceneOf(const std::wstring& log, HWND chart) {
    const auto lines = ReadLines(log);
    ChartRun run;
    run.Start(SplitTitles(L"Response(s)"), {});
    for (const Row& row : DataRowsOf(lines)) run.AddRow(row.elapsed, {}, row.reply);
    RECT client{};
    GetClientRect(chart, &client);
    return BuildChartScene(run, ChartView{}, {}, {.width = client.right, .height = client.bottom, .dpi = 96, .cursorX = {}, .source = {}});
  }
};

TEST_F(ChartTest, TheSystemMenuEntryOpensTheChartBringsItBackAndItReopensAtTheNextStart) {
  ASSERT_TRUE(Launch());
  HWND chart = OpenChart();
  ASSERT_NE(chart, nullptr);
  EXPECT_EQ(GetWindow(chart, GW_OWNER), Dialog().Dialog());
  driver::SendBounded(chart, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  ASSERT_TRUE(driver::WaitFor([&] { return IsIconic(chart) != FALSE; }, Millis(5000)));
  EXPECT_EQ(OpenChart(), chart);
  EXPECT_TRUE(driver::WaitFor([&] { return IsIconic(chart) == FALSE; }, Millis(5000)));

  ASSERT_TRUE(CloseLogger());
  ASSERT_TRUE(Launch());
  EXPECT_TRUE(driver::WaitFor([&] { return driver::FindProcessWindows(logger_.ProcessId(), kChartCaption).size() == 1; },
                              Millis(10000)));
  // The chart keeps its own key; the six settings stay as they were (none: no run was started).
  EXPECT_EQ(SettingsValueCount(), 0);
}

TEST_F(ChartTest, ConstantValuesAreDrawnAtTheirHeightAndEmptyRowsLeaveAGap) {
  ASSERT_TRUE(sim_.Ok("reply 5.5,-2.5"));
  ASSERT_TRUE(Launch());
  HWND chart = OpenChart();
  ASSERT_NE(chart, nullptr);
  const std::wstring log = LogPath(L"constant.csv");
  Configure(log, L"x?");
  ASSERT_TRUE(StartRun());
  ASSERT_TRUE(WaitDataRows(log, 10));
  ASSERT_TRUE(sim_.Ok("reply"));
  ASSERT_TRUE(WaitDataRows(log, 16));
  ASSERT_TRUE(sim_.Ok("reply 5.5,-2.5"));
  ASSERT_TRUE(WaitDataRows(log, 26));
  ASSERT_TRUE(StopRun());

  ChartPicture picture;
  ASSERT_TRUE(picture.Take(chart));
  const ChartScene scene = SceneOf(log, chart);
  ASSERT_EQ(scene.layout.lanes.size(), 2u);
  const auto rows = DataRowsOf(ReadLines(log));

  for (size_t lane = 0; lane < 2; ++lane) {
    const PixelRect plot = scene.layout.lanes[lane].plot;
    const uint32_t color = LaneColor(lane);
    const int middle = (plot.top + plot.bottom) / 2;
    // A constant series sits in the middle of its lane, at every row's x outside the gap.
    for (const Row& row : rows) {
      if (row.reply.empty()) continue;
      const int x = static_cast<int>(std::lround(scene.time.X(row.elapsed)));
      const std::vector<int> at = picture.RowsOf(color, std::clamp(x, plot.left + 1, plot.right - 2), plot.top,
                                                 plot.bottom);
      ASSERT_FALSE(at.empty()) << "lane " << lane << " has no line at " << row.elapsed << " ms";
      EXPECT_LE(std::abs(at.front() - middle), 3) << "lane " << lane;
      EXPECT_LE(std::abs(at.back() - middle), 3) << "lane " << lane;
    }
    // Between the last row before the empty ones and the first after, no line at all.
    std::optional<int> before, after;
    for (size_t i = 1; i < rows.size(); ++i) {
      if (rows[i].reply.empty() && !rows[i - 1].reply.empty()) before = rows[i - 1].elapsed;
      if (!rows[i].reply.empty() && rows[i - 1].reply.empty()) after = rows[i].elapsed;
    }
    ASSERT_TRUE(before && after);
    const int left = static_cast<int>(std::lround(scene.time.X(*before))) + 2;
    const int right = static_cast<int>(std::lround(scene.time.X(*after))) - 2;
    ASSERT_LT(left, right);
    for (int x = left; x <= right; ++x) {
      EXPECT_TRUE(picture.RowsOf(color, x, plot.top, plot.bottom).empty()) << "lane " << lane << " crosses x " << x;
    }
  }
}

TEST_F(ChartTest, OpenLogShowsTheChosenRunOfAFileThatARunIsWritingTo) {
  ASSERT_TRUE(sim_.Ok("reply 5.5,-2.5"));
  ASSERT_TRUE(Launch());
  const std::wstring log = LogPath(L"two-runs.csv");
  Configure(log, L"x?");
  ASSERT_TRUE(RunForRows(log, 3));
  ASSERT_TRUE(sim_.Ok("reply 7.5"));
  ASSERT_TRUE(StartRun());
  HWND chart = OpenChart();
  ASSERT_NE(chart, nullptr);

  OpenLogThroughTheFileDialog(chart, log);

  // The runs are offered newest first: the second entry is the first run.
  HWND menu = nullptr;
  ASSERT_TRUE(driver::WaitFor([&] {
    const auto found = driver::FindProcessWindows(logger_.ProcessId(), nullptr, L"#32768");
    menu = found.empty() ? nullptr : found[0];
    return menu != nullptr;
  }, Millis(5000)));
  for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RETURN}) PostMessageW(menu, WM_KEYDOWN, key, 0);
  ASSERT_TRUE(driver::WaitFor([&] { return !IsWindow(menu) || !IsWindowVisible(menu); }, Millis(5000)));

  // The run goes on writing while the chart shows the first run, with its two lanes.
  const size_t rowsThen = CountDataRows(log);
  ASSERT_TRUE(WaitDataRows(log, rowsThen + 3));
  EXPECT_EQ(Dialog().Text(IDC_STATUS).find(L"Error"), std::wstring::npos);
  ChartPicture picture;
  ASSERT_TRUE(picture.Take(chart));
  bool secondLaneDrawn = false;
  for (int x = 0; x < picture.Width() && !secondLaneDrawn; x += 3) {
    secondLaneDrawn = !picture.RowsOf(LaneColor(1), x, 0, 4000).empty();
  }
  EXPECT_TRUE(secondLaneDrawn);
  ASSERT_TRUE(StopRun());
}

// A log of a few hundred megabytes is read beside a run at 100 ms: the run misses no poll.
TEST_F(ChartTest, OpeningABigLogDuringARunLeavesNoGridPointMissing) {
  const std::wstring big = LogPath(L"big.csv");
  {
    UniqueFile file(CreateFileW(big.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file);
    std::string chunk = "Test started,\"Monday, December 07, 2026 06:12:25\"\r\nQuery used,\"a?;b?\"\r\n"
                        "Point,Time(ms),A,B\r\n";
    int64_t point = 0;
    for (int block = 0; block < 48; ++block) {
      while (chunk.size() < (4u << 20)) {
        ++point;
        chunk += std::to_string(point) + "," + std::to_string(point * 100) + ",25.003,-2.5\r\n";
      }
      DWORD written = 0;
      ASSERT_TRUE(WriteFile(file.Get(), chunk.data(), static_cast<DWORD>(chunk.size()), &written, nullptr));
      chunk.clear();
    }
  }
  ASSERT_TRUE(sim_.Ok("reply 7"));
  ASSERT_TRUE(Launch());
  const std::wstring log = LogPath(L"live.csv");
  Configure(log, L"x?");
  ASSERT_TRUE(StartRun());
  HWND chart = OpenChart();
  ASSERT_NE(chart, nullptr);
  ASSERT_TRUE(WaitDataRows(log, 5));
  OpenLogThroughTheFileDialog(chart, big);
  // From here the file is read; the file dialog's own start and end are not what is measured.
  WaitMorePolls(2);
  const ULONGLONG opened = GetTickCount64();
  const size_t rowsBefore = CountDataRows(log);
  ASSERT_TRUE(driver::WaitFor([&] { return LaneDrawn(chart, 1); }, Millis(120000)));
  const ULONGLONG read = GetTickCount64() - opened;
  ASSERT_TRUE(WaitMorePolls(3) >= 0);
  ASSERT_TRUE(StopRun());
  DeleteFileW(big.c_str());
  std::cout << "reading the log took " << read << " ms\n";

  const std::vector<Row> rows = DataRowsOf(ReadLines(log));
  ASSERT_GT(rows.size(), rowsBefore + 10);
  for (size_t i = rowsBefore; i < rows.size(); ++i) {
    EXPECT_LT(rows[i].elapsed - rows[i - 1].elapsed, 190) << "a grid point is missing after row " << rows[i - 1].point;
  }
}

}  // namespace
}  // namespace velmar::test

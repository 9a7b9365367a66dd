// Prints the live chart's memory and speed figures: bytes kept and time per added row for long
// runs, scene-build time for a full-width redraw, and the process's peak memory.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "chart/chart_run.h"
#include "chart/chart_scene.h"
#include "chart/series_store.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kColumns = 14;
constexpr int32_t kIntervalMs = 100;
constexpr int kPlotWidth = 1920;
constexpr int kSceneHeight = 1080;
constexpr int kSceneRepeats = 30;

double Seconds(Clock::duration duration) { return std::chrono::duration<double>(duration).count(); }

std::string PeakMemory() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("VmHWM:")) return line.substr(6);
  }
  return " n/a";
}

// Drifting values with an occasional spike and, every 997th row, a silent instrument.
class Instrument {
 public:
  explicit Instrument(size_t columns = kColumns) : columns_(columns) {}

  void Next(double* values) {
    ++row_;
    for (size_t c = 0; c < columns_; ++c) {
      state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
      const double noise = static_cast<double>(state_ >> 40) / static_cast<double>(1 << 24) - 0.5;
      values[c] = row_ % 997 == 0 ? velmar::GapValue()
                                  : 100.0 * static_cast<double>(c + 1) + std::sin(row_ * 1e-4 + c) + noise * 0.01 +
                                        (row_ % 100'003 == 0 ? 50 : 0);
    }
  }
  std::string Reply(const double* values) const {
    if (velmar::IsGap(values[0])) return {};
    std::string reply;
    char field[32];
    for (size_t c = 0; c < kColumns; ++c) {
      std::snprintf(field, sizeof field, c == 0 ? "%.3f" : ",%.3f", values[c]);
      reply += field;
    }
    return reply;
  }

 private:
  size_t columns_;
  uint64_t state_ = 1;
  uint64_t row_ = 0;
};

void MeasureStore(size_t rows, size_t columns) {
  velmar::SeriesStore store;
  for (size_t c = 0; c < columns; ++c) store.AddSeries();
  Instrument instrument(columns);
  std::vector<double> values(columns);
  Clock::duration adding{};
  for (size_t row = 0; row < rows; ++row) {
    instrument.Next(values.data());
    const auto start = Clock::now();
    store.AddRow(static_cast<int64_t>(row * kIntervalMs), values.data());
    adding += Clock::now() - start;
  }
  std::printf("store, %zu rows x %zu columns: %.1f MiB kept (%zu rows at full resolution), %.1f ns per AddRow\n",
              rows, columns, store.BytesKept() / 1048576.0, store.RawRowCount(),
              Seconds(adding) * 1e9 / static_cast<double>(rows));
}

// A client area whose plots are kPlotWidth pixels wide.
int SceneWidth() {
  const velmar::ChartLayout layout = velmar::ComputeChartLayout(kPlotWidth, kSceneHeight, 96, {false}, false);
  return 2 * kPlotWidth - (layout.PlotRight() - layout.PlotLeft());
}

// The statistics of the visible window, as the chart figures them.
double MedianFiguresUs(const velmar::ChartRun& run, const velmar::ChartView& view) {
  std::vector<double> times;
  const velmar::TimeRange visible = view.Visible(run.Extent());
  velmar::RangeFigures figures;
  for (int i = 0; i < kSceneRepeats; ++i) {
    const auto start = Clock::now();
    run.Store().Figures(visible.startMs, visible.endMs, figures);
    times.push_back(Seconds(Clock::now() - start) * 1e6);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

double MedianSceneMs(const velmar::ChartRun& run, const velmar::ChartView& view) {
  std::vector<double> times;
  const velmar::SceneRequest request{.width = SceneWidth(), .height = kSceneHeight, .dpi = 96, .cursorX = 900, .source = {}};
  size_t points = 0;
  for (int i = 0; i < kSceneRepeats; ++i) {
    const auto start = Clock::now();
    const velmar::ChartScene scene = velmar::BuildChartScene(run, view, {}, request);
    times.push_back(Seconds(Clock::now() - start) * 1e3);
    points = 0;
    for (const auto& line : scene.polylines) points += line.points.size();
  }
  std::sort(times.begin(), times.end());
  std::printf("  (%zu polyline points) ", points);
  return times[times.size() / 2];
}

void MeasureRun(size_t rows) {
  velmar::ChartRun run;
  std::vector<std::wstring> titles;
  for (size_t c = 0; c < kColumns; ++c) titles.push_back(L"Column title " + std::to_wstring(c + 1));
  const velmar::LocalDateTime started{2026, 12, 7, 9, 30, 15, 0};
  run.Start(titles, started);
  Instrument instrument;
  std::vector<double> values(kColumns);
  Clock::duration adding{};
  for (size_t row = 0; row < rows; ++row) {
    instrument.Next(values.data());
    const std::string reply = instrument.Reply(values.data());
    const auto start = Clock::now();
    run.AddRow(static_cast<int64_t>(row * kIntervalMs), velmar::AddMilliseconds(started, static_cast<int64_t>(row * kIntervalMs)), reply);
    adding += Clock::now() - start;
  }
  std::printf("run with reply parsing, %zu rows x %zu columns: %.1f MiB kept, %.1f ns per row\n", rows, kColumns,
              run.Store().BytesKept() / 1048576.0, Seconds(adding) * 1e9 / static_cast<double>(rows));

  const auto report = [&](const char* what, const velmar::ChartView& view) {
    std::printf("scene of %zu rows, %d px plots, %s:", rows, kPlotWidth, what);
    std::printf("%.2f ms median of %d; statistics %.1f us\n", MedianSceneMs(run, view), kSceneRepeats,
                MedianFiguresUs(run, view));
  };
  report("All", velmar::ChartView());
  velmar::ChartView minute;
  minute.SetWindow(velmar::TimeWindow::LastMinute);
  report("last 1 min", minute);
  velmar::ChartView past;
  past.Zoom(0.01, 0.3, run.Extent());
  report("1% of the run, zoomed into the past", past);
}

}  // namespace

int main() {
  MeasureStore(1'000'000, kColumns);
  MeasureStore(10'000'000, kColumns);
  MeasureStore(10'000'000, 64);
  MeasureRun(1'000'000);
  MeasureRun(10'000'000);
  // 2^33 ms at 100 ms: 99 days, past where 32-bit times would have stopped.
  MeasureRun((size_t{1} << 33) / kIntervalMs);
  std::printf("peak memory (VmHWM):%s\n", PeakMemory().c_str());
  return 0;
}

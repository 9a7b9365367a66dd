#include <cstddef>
#include <cstdint>
#include <string_view>

#include "chart/chart_run.h"
#include "chart/chart_scene.h"
#include "logfile/log_reader.h"
#include "core/reply_fields.h"
#include "fuzz/fuzz_check.h"

// Any file opened as a log: its runs lie within the text, and every run, whatever its values,
// can be kept (in a small budget, so folding happens) and laid out without a fault.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const velmar::LogRun& run : velmar::FindLogRuns(text)) {
    FUZZ_CHECK(run.begin <= run.end && run.end <= text.size());
    velmar::ChartRun chart(64 * 1024);
    chart.Start(velmar::SplitTitles(std::wstring(run.columnTitles.begin(), run.columnTitles.end())), {});
    velmar::ForEachLogRow(text, run, [&](const velmar::LogRow& row) {
      FUZZ_CHECK(row.reply.data() >= text.data() && row.reply.data() + row.reply.size() <= text.data() + text.size());
      chart.AddRow(row.elapsedMs, {}, row.reply);
    });
    velmar::ChartView view;
    const velmar::ChartScene scene =
        velmar::BuildChartScene(chart, view, {}, {.width = 300, .height = 200, .dpi = 96, .cursorX = 150, .source = {}});
    for (const velmar::ScenePolyline& line : scene.polylines) {
      for (const velmar::ScenePoint& point : line.points) FUZZ_CHECK(point.x >= 0 && point.x <= 300);
    }
  }
  return 0;
}

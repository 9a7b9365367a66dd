#include "chart/limit_marks.h"

#include <cmath>

namespace velmar {

namespace {

void AddLimitLine(std::optional<double> side, const ValueTransform& values, SceneLayer& out) {
  if (!side) return;
  const PixelRect& plot = values.Plot();
  const double y = std::round(values.Y(*side));
  if (!(y >= plot.top && y < plot.bottom)) return;
  const int row = static_cast<int>(y);
  out.lines.push_back({{plot.left, row}, {plot.right, row}, kAlarmColor, true});
}

}  // namespace

std::map<size_t, ColumnLimit> LimitsOfLanes(const ChartRun& run, const std::vector<ColumnLimit>& limits) {
  std::map<size_t, ColumnLimit> byColumn;
  for (const ChartRun::Lane& lane : run.Lanes()) {
    if (const ColumnLimit* limit = FindLimit(limits, run.Title(lane.column))) byColumn[lane.column] = *limit;
  }
  return byColumn;
}

void AddLimitMarks(const ColumnLimit& limit, const TimeTransform& time, const ValueTransform& values,
                   const Decimation& decimation, size_t series, SceneLayer& out) {
  const PixelRect& plot = values.Plot();
  const int left = time.Left();
  int start = 0;
  bool open = false;
  const auto close = [&](int end) {
    out.fills.push_back({{left + start, plot.top, left + end, plot.bottom}, kOutsideShade});
    open = false;
  };
  int lastWithRows = -1;
  for (int x = 0; x < decimation.width; ++x) {
    const M4& block = decimation.At(series, x);
    // Columns without rows carry the state on; rows without a number end a stretch.
    if (!block.HasRows()) continue;
    lastWithRows = x;
    if (!block.HasValue()) {
      if (open) close(x);
      continue;
    }
    if (IsOutside(limit, block.min) || IsOutside(limit, block.max)) {
      if (!open) {
        open = true;
        start = x;
      }
      if (!IsOutside(limit, block.last)) close(x + 1);
    } else if (open) {
      close(x);
    }
  }
  if (open) close(lastWithRows + 1);
  AddLimitLine(limit.low, values, out);
  AddLimitLine(limit.high, values, out);
}

}  // namespace velmar

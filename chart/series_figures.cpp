#include "chart/series_store.h"

#include <algorithm>
#include <cmath>

// The statistics of a time range, from the same blocks that draw it.
namespace velmar {

Moments Moments::Of(double value) {
  if (!std::isfinite(value)) return {};
  return {1, value, 0};
}

void Moments::Merge(const Moments& other) {
  if (other.count == 0) return;
  if (count == 0) {
    *this = other;
    return;
  }
  const double inverseTotal = 1.0 / static_cast<double>(count + other.count);
  const double delta = other.mean - mean;
  const double theirs = static_cast<double>(other.count);
  mean += delta * theirs * inverseTotal;
  m2 += other.m2 + delta * delta * static_cast<double>(count) * theirs * inverseTotal;
  count += other.count;
}

double Moments::StandardDeviation() const { return count == 0 ? 0 : std::sqrt(m2 / static_cast<double>(count)); }

std::optional<SeriesStore::Entry> SeriesStore::EdgeEntry(double timeMs, bool first) const {
  if (rows_ == 0) return std::nullopt;
  const int source = FinestSourceReaching(timeMs, kRawSource);
  if (!first) {
    const std::optional<size_t> atOrBefore = LastEntryBefore(source, std::nextafter(timeMs, HUGE_VAL));
    if (!atOrBefore) return std::nullopt;
    return EntryAt(source, *atOrBefore);
  }
  // The last entry starting before the time holds the row when it reaches that far.
  const std::optional<size_t> before = LastEntryBefore(source, timeMs);
  size_t index = before.value_or(0);
  if (before && EntryAt(source, index).times.last < timeMs) ++index;
  if (index >= EntryCount(source)) return std::nullopt;
  return EntryAt(source, index);
}

bool SeriesStore::BlockKept(size_t level, uint64_t block) const {
  const Level& blocks = levels_[level];
  return block < blocks.completed && block >= blocks.completed - blocks.times.Size();
}

void SeriesStore::AddToFigures(int source, uint64_t index, RangeFigures& out) const {
  TimeSpanMs times;
  size_t at = 0;
  if (source == kRawSource) {
    at = static_cast<size_t>(index - KeptStartRow(kRawSource));
    times = {rawTimes_[at], rawTimes_[at]};
    out.rows += 1;
  } else {
    const Level& level = levels_[static_cast<size_t>(source)];
    at = static_cast<size_t>(index - (level.completed - level.times.Size()));
    times = level.times[at];
    out.rows += RowsPerBlock(static_cast<size_t>(source));
  }
  for (size_t s = 0; s < SeriesCount(); ++s) {
    const double raw = source == kRawSource ? rawValues_[s][at] : 0;
    const M4 block = source == kRawSource ? M4::Of(raw) : levels_[static_cast<size_t>(source)].series[s][at];
    const Moments moments =
        source == kRawSource ? Moments::Of(raw) : levels_[static_cast<size_t>(source)].moments[s][at];
    SeriesFigures& figures = out.series[s];
    if (block.HasValue()) {
      figures.min = figures.moments.count == 0 ? block.min : std::min(figures.min, block.min);
      figures.max = figures.moments.count == 0 ? block.max : std::max(figures.max, block.max);
    }
    figures.moments.Merge(moments);
  }
  out.lastMs = times.last;
}

void SeriesStore::Figures(double startMs, double endMs, RangeFigures& out) const {
  out = RangeFigures{};
  out.series.assign(SeriesCount(), SeriesFigures{});
  if (!(endMs >= startMs)) return;
  const std::optional<Entry> first = EdgeEntry(startMs, true);
  const std::optional<Entry> last = EdgeEntry(endMs, false);
  if (!first || !last) return;
  const uint64_t begin = first->startRow;
  const uint64_t end = last->startRow + last->rows;
  if (end <= begin) return;
  out.approximate = first->times.first < startMs || last->times.last > endMs;
  out.firstMs = first->times.first;
  const uint64_t rawStart = KeptStartRow(kRawSource);
  for (uint64_t row = begin; row < end;) {
    // The coarsest kept block that starts here and ends inside the range.
    bool taken = false;
    for (size_t level = kLevelCount; level-- > 0 && !taken;) {
      const uint64_t size = RowsPerBlock(level);
      if (row % size != 0 || row + size > end || !BlockKept(level, row / size)) continue;
      AddToFigures(static_cast<int>(level), row / size, out);
      row += size;
      taken = true;
    }
    if (taken) continue;
    if (row >= rawStart) {
      AddToFigures(kRawSource, row, out);
      ++row;
      continue;
    }
    // Older rows kept only in blocks that reach past the range's end: the whole block counts.
    for (size_t level = 0; level < kLevelCount && !taken; ++level) {
      const uint64_t size = RowsPerBlock(level);
      if (row % size != 0 || !BlockKept(level, row / size)) continue;
      AddToFigures(static_cast<int>(level), row / size, out);
      row += size;
      taken = true;
    }
    if (!taken) break;
    out.approximate = true;
  }
}

}  // namespace velmar

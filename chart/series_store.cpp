#include "chart/series_store.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace velmar {

namespace {

// A quiet NaN with a payload that parsing never produces (it makes every NaN the plain one).
constexpr uint64_t kGapBits = 0x7FF8'0000'0000'6A70ULL;

}  // namespace

double GapValue() { return std::bit_cast<double>(kGapBits); }

bool IsGap(double value) { return std::bit_cast<uint64_t>(value) == kGapBits; }

M4 M4::Of(double value) {
  M4 block;
  if (std::isfinite(value)) {
    block.first = block.last = block.min = block.max = value;
    block.flags = kHasValue;
  } else {
    block.flags = kLeadGap | kTrailGap;
  }
  return block;
}

void M4::Append(const M4& later) {
  if (!later.HasRows()) return;
  if (!HasRows()) {
    *this = later;
    return;
  }
  if (!later.HasValue()) {
    flags |= kTrailGap;
    return;
  }
  if (!HasValue()) {
    *this = later;
    flags |= kLeadGap;
    return;
  }
  const bool gapBetween = Has(kInnerGap) || Has(kTrailGap) || later.Has(kLeadGap) || later.Has(kInnerGap);
  flags = static_cast<uint8_t>(kHasValue | (flags & kLeadGap) | (later.flags & kTrailGap) |
                               (gapBetween ? kInnerGap : 0));
  last = later.last;
  min = std::min(min, later.min);
  max = std::max(max, later.max);
}

SeriesStore::SeriesStore(size_t budgetBytes) : budgetBytes_(budgetBytes) { ApplyBudget(); }

void SeriesStore::ApplyBudget() {
  // Three eighths for the newest rows at full resolution, the rest shared by the levels, so the
  // total stays within budget however many series there are and however long the run.
  const size_t series = SeriesCount();
  const size_t rawRowBytes = sizeof(int64_t) + series * sizeof(double);
  const size_t blockBytes = sizeof(TimeSpanMs) + series * (sizeof(M4) + sizeof(Moments));
  // The unfinished blocks, and the slack of their vectors, come off the top.
  const size_t fixedBytes = (kLevelCount + 1) * series * (sizeof(M4) + sizeof(Moments)) * 2;
  const size_t usable = budgetBytes_ > fixedBytes ? budgetBytes_ - fixedBytes : 0;
  const size_t rawCapacity = std::max<size_t>(16, usable / 8 * 3 / rawRowBytes);
  const size_t levelCapacity = std::max<size_t>(16, usable / 8 * 5 / (kLevelCount * blockBytes));
  rawTimes_.SetCapacity(rawCapacity);
  for (auto& values : rawValues_) values.SetCapacity(rawCapacity);
  for (Level& level : levels_) {
    level.times.SetCapacity(levelCapacity);
    for (auto& blocks : level.series) blocks.SetCapacity(levelCapacity);
    for (auto& moments : level.moments) moments.SetCapacity(levelCapacity);
  }
}

size_t SeriesStore::AddSeries() {
  RingBuffer<double>& values = rawValues_.emplace_back();
  values.SetCapacity(rawTimes_.Capacity());
  for (size_t i = 0; i < rawTimes_.Size(); ++i) values.Push(GapValue());
  const M4 allGaps = M4::Of(GapValue());
  for (Level& level : levels_) {
    RingBuffer<M4>& blocks = level.series.emplace_back();
    blocks.SetCapacity(level.times.Capacity());
    for (size_t i = 0; i < level.times.Size(); ++i) blocks.Push(allGaps);
    RingBuffer<Moments>& moments = level.moments.emplace_back();
    moments.SetCapacity(level.times.Capacity());
    for (size_t i = 0; i < level.times.Size(); ++i) moments.Push(Moments{});
    level.partial.push_back(level.partialRows > 0 ? allGaps : M4{});
    level.partialMoments.emplace_back();
  }
  rowBlocks_.resize(SeriesCount());
  rowMoments_.resize(SeriesCount());
  ApplyBudget();
  return SeriesCount() - 1;
}

void SeriesStore::Clear() {
  rows_ = 0;
  firstTime_ = lastTime_ = 0;
  rawTimes_.Clear();
  rawValues_.clear();
  for (Level& level : levels_) level = Level{};
  rowBlocks_.clear();
  rowMoments_.clear();
  ApplyBudget();
}

void SeriesStore::AddRow(int64_t elapsedMs, const double* values) {
  if (rows_ == 0) firstTime_ = elapsedMs;
  const int64_t time = rows_ == 0 ? elapsedMs : std::max(elapsedMs, lastTime_);
  lastTime_ = time;
  ++rows_;
  rawTimes_.Push(time);
  for (size_t s = 0; s < rawValues_.size(); ++s) {
    rawValues_[s].Push(values[s]);
    rowBlocks_[s] = M4::Of(values[s]);
    rowMoments_[s] = Moments::Of(values[s]);
  }
  Feed(0, TimeSpanMs{time, time}, 1, rowBlocks_.data(), rowMoments_.data());
}

// A finished block of one level is merged into the next level's unfinished one.
void SeriesStore::Feed(size_t levelIndex, const TimeSpanMs& times, uint64_t rows, const M4* blocks,
                       const Moments* moments) {
  Level& level = levels_[levelIndex];
  if (level.partialRows == 0) {
    level.partialTimes = times;
  } else {
    level.partialTimes.last = times.last;
  }
  for (size_t s = 0; s < level.partial.size(); ++s) {
    level.partial[s].Append(blocks[s]);
    level.partialMoments[s].Merge(moments[s]);
  }
  level.partialRows += rows;
  if (level.partialRows < RowsPerBlock(levelIndex)) return;
  level.times.Push(level.partialTimes);
  for (size_t s = 0; s < level.partial.size(); ++s) {
    level.series[s].Push(level.partial[s]);
    level.moments[s].Push(level.partialMoments[s]);
  }
  ++level.completed;
  if (levelIndex + 1 < kLevelCount) {
    Feed(levelIndex + 1, level.partialTimes, level.partialRows, level.partial.data(), level.partialMoments.data());
  }
  level.partialRows = 0;
  std::fill(level.partial.begin(), level.partial.end(), M4{});
  std::fill(level.partialMoments.begin(), level.partialMoments.end(), Moments{});
}

size_t SeriesStore::BytesKept() const {
  size_t bytes = rawTimes_.BytesKept() + rowBlocks_.capacity() * sizeof(M4) + rowMoments_.capacity() * sizeof(Moments);
  for (const auto& values : rawValues_) bytes += values.BytesKept();
  for (const Level& level : levels_) {
    bytes += level.times.BytesKept() + level.partial.capacity() * sizeof(M4) +
             level.partialMoments.capacity() * sizeof(Moments);
    for (const auto& blocks : level.series) bytes += blocks.BytesKept();
    for (const auto& moments : level.moments) bytes += moments.BytesKept();
  }
  return bytes;
}

uint64_t SeriesStore::KeptStartRow(int source) const {
  if (source == kRawSource) return rows_ - rawTimes_.Size();
  const Level& level = levels_[static_cast<size_t>(source)];
  return (level.completed - level.times.Size()) * RowsPerBlock(static_cast<size_t>(source));
}

size_t SeriesStore::EntryCount(int source) const {
  if (source == kRawSource) return rawTimes_.Size();
  size_t count = levels_[static_cast<size_t>(source)].times.Size();
  for (int k = source; k >= 0; --k) count += levels_[static_cast<size_t>(k)].partialRows > 0 ? 1 : 0;
  return count;
}

SeriesStore::Entry SeriesStore::EntryAt(int source, size_t index) const {
  if (source == kRawSource) {
    const int64_t time = rawTimes_[index];
    return Entry{{time, time}, KeptStartRow(source) + index, 1, -1, index};
  }
  const size_t levelIndex = static_cast<size_t>(source);
  const Level& level = levels_[levelIndex];
  if (index < level.times.Size()) {
    return Entry{level.times[index], KeptStartRow(source) + index * RowsPerBlock(levelIndex),
                 RowsPerBlock(levelIndex), -1, index};
  }
  size_t tail = index - level.times.Size();
  for (int k = source; k >= 0; --k) {
    const Level& unfinished = levels_[static_cast<size_t>(k)];
    if (unfinished.partialRows == 0) continue;
    if (tail-- == 0) {
      return Entry{unfinished.partialTimes, unfinished.completed * RowsPerBlock(static_cast<size_t>(k)),
                   unfinished.partialRows, k, index};
    }
  }
  return Entry{};
}

size_t SeriesStore::EntryIndexOfRow(int source, uint64_t row) const {
  const uint64_t start = KeptStartRow(source);
  if (source == kRawSource) return static_cast<size_t>(row - start);
  const size_t levelIndex = static_cast<size_t>(source);
  const Level& level = levels_[levelIndex];
  if (row < level.completed * RowsPerBlock(levelIndex)) {
    return static_cast<size_t>((row - start) / RowsPerBlock(levelIndex));
  }
  size_t index = level.times.Size();
  for (int k = source; k >= 0; --k) {
    const Level& unfinished = levels_[static_cast<size_t>(k)];
    if (unfinished.partialRows == 0) continue;
    if (unfinished.completed * RowsPerBlock(static_cast<size_t>(k)) >= row) return index;
    ++index;
  }
  return index;
}

std::optional<size_t> SeriesStore::LastEntryBefore(int source, double timeMs) const {
  size_t low = 0;
  size_t high = EntryCount(source);
  while (low < high) {
    const size_t middle = low + (high - low) / 2;
    if (EntryAt(source, middle).times.first < timeMs) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  if (low == 0) return std::nullopt;
  return low - 1;
}

int SeriesStore::FinestSourceReaching(double timeMs, int finestAllowed) const {
  for (int source = finestAllowed; source < static_cast<int>(kLevelCount); ++source) {
    if (EntryCount(source) == 0) continue;
    if (KeptStartRow(source) == 0 || EntryAt(source, 0).times.first <= timeMs) return source;
  }
  return static_cast<int>(kLevelCount) - 1;
}

M4 SeriesStore::EntryBlock(int source, const Entry& entry, size_t series) const {
  if (source == kRawSource) return M4::Of(rawValues_[series][entry.index]);
  if (entry.partialLevel >= 0) return levels_[static_cast<size_t>(entry.partialLevel)].partial[series];
  return levels_[static_cast<size_t>(source)].series[series][entry.index];
}

void SeriesStore::Decimate(double startMs, double endMs, int width, Decimation& out) const {
  const size_t columnCount = static_cast<size_t>(std::max(width, 0)) + 2;
  out.width = std::max(width, 0);
  out.seriesCount = SeriesCount();
  out.times.assign(columnCount, TimeSpanMs{});
  out.hasRows.assign(columnCount, 0);
  out.columns.assign(SeriesCount() * columnCount, M4{});
  if (rows_ == 0 || width <= 0 || !(endMs > startMs)) return;

  const auto rowAt = [this](double timeMs) -> uint64_t {
    const int source = FinestSourceReaching(timeMs, kRawSource);
    const std::optional<size_t> before = LastEntryBefore(source, timeMs);
    if (!before) return KeptStartRow(source);
    const Entry entry = EntryAt(source, *before);
    return entry.startRow + entry.rows;
  };
  // The coarsest level whose blocks still fit in a pixel column: one or two reads per column.
  const double rowsPerColumn = static_cast<double>(rowAt(endMs) - rowAt(startMs)) / width;
  int finest = kRawSource;
  if (rowsPerColumn >= 4) {
    const int log2Rows = static_cast<int>(std::floor(std::log2(rowsPerColumn)));
    finest = std::min(log2Rows - kFinestLevelLog2, static_cast<int>(kLevelCount) - 1);
  }

  const double columnsPerMs = width / (endMs - startMs);
  // A block reaching into the range counts from the range's start, so none of it is left out.
  const auto columnOf = [&](const TimeSpanMs& times) {
    if (times.last < startMs) return -1;
    const double column = std::floor((std::max<double>(times.first, startMs) - startMs) * columnsPerMs);
    return column >= width ? width : static_cast<int>(column);
  };

  int source = FinestSourceReaching(startMs, finest);
  size_t index = LastEntryBefore(source, startMs).value_or(0);
  while (index < EntryCount(source)) {
    const Entry entry = EntryAt(source, index);
    const int x = columnOf(entry.times);
    const size_t slot = static_cast<size_t>(x + 1);
    if (out.hasRows[slot]) {
      out.times[slot].last = entry.times.last;
    } else {
      out.times[slot] = entry.times;
      out.hasRows[slot] = 1;
    }
    for (size_t s = 0; s < SeriesCount(); ++s) out.columns[s * columnCount + slot].Append(EntryBlock(source, entry, s));
    const uint64_t next = entry.startRow + entry.rows;
    if (x == width || next >= rows_) break;
    // Finer sources reach less far back; once one holds the next row, it is used from there on.
    int finer = finest;
    while (finer < source && KeptStartRow(finer) > next) ++finer;
    if (finer < source) {
      source = finer;
      index = EntryIndexOfRow(source, next);
    } else {
      ++index;
    }
  }
}

std::optional<NearestSample> SeriesStore::Nearest(double timeMs) const {
  if (rows_ == 0) return std::nullopt;
  const int source = FinestSourceReaching(timeMs, kRawSource);
  const auto distance = [timeMs](const TimeSpanMs& times) {
    if (timeMs < times.first) return times.first - timeMs;
    return timeMs > times.last ? timeMs - times.last : 0.0;
  };
  size_t best = LastEntryBefore(source, timeMs).value_or(0);
  if (best + 1 < EntryCount(source) &&
      distance(EntryAt(source, best + 1).times) < distance(EntryAt(source, best).times)) {
    ++best;
  }
  const Entry entry = EntryAt(source, best);
  NearestSample sample;
  sample.timeMs = entry.times.last;
  sample.folded = source != kRawSource;
  sample.values.reserve(SeriesCount());
  for (size_t s = 0; s < SeriesCount(); ++s) {
    if (source == kRawSource) {
      sample.values.push_back(rawValues_[s][entry.index]);
    } else {
      const M4 block = EntryBlock(source, entry, s);
      sample.values.push_back(block.HasValue() ? block.last : GapValue());
    }
  }
  return sample;
}

}  // namespace velmar

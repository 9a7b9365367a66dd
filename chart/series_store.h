#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "chart/ring_buffer.h"

namespace velmar {

// A field that held no number. A NaN of its own, so it never equals a parsed "nan".
double GapValue();
bool IsGap(double value);

// Consecutive rows of one series reduced to first, last, min and max of their finite values,
// plus where the rows that cannot be drawn (gaps, inf, nan) lie: enough to draw the rows into
// one pixel column exactly as all of them would be drawn, and to break the line where needed.
struct M4 {
  static constexpr uint8_t kHasValue = 1;
  static constexpr uint8_t kLeadGap = 2;   // a gap before the first value (or only gaps)
  static constexpr uint8_t kTrailGap = 4;  // a gap after the last value (or only gaps)
  static constexpr uint8_t kInnerGap = 8;  // a gap between the first and the last value

  double first = 0;
  double last = 0;
  double min = 0;
  double max = 0;
  uint8_t flags = 0;  // 0: no rows at all

  static M4 Of(double value);
  bool HasRows() const { return flags != 0; }
  bool HasValue() const { return (flags & kHasValue) != 0; }
  bool Has(uint8_t flag) const { return (flags & flag) != 0; }
  // This followed by the rows of `later`.
  void Append(const M4& later);
};

// Count, mean and sum of squared deviations of a stretch of finite values, merged by Chan's
// method: unlike sums of values and of squares, it keeps its precision for a flat 25.003 and
// gives a constant series exactly 0.
struct Moments {
  uint64_t count = 0;
  double mean = 0;
  double m2 = 0;

  static Moments Of(double value);
  void Merge(const Moments& other);
  // Of the values themselves (population form); 0 without values.
  double StandardDeviation() const;
};

struct TimeSpanMs {
  int64_t first = 0;
  int64_t last = 0;
};

// The rows of a time range folded into pixel columns 0..width-1, plus the column before the
// range (-1) and the one after it (width), which carry the line in from and out to the edges.
struct Decimation {
  int width = 0;
  size_t seriesCount = 0;
  std::vector<TimeSpanMs> times;  // per column: first row's time, last row's time
  std::vector<uint8_t> hasRows;
  std::vector<M4> columns;        // series-major

  const TimeSpanMs& Times(int x) const { return times[static_cast<size_t>(x + 1)]; }
  const M4& At(size_t series, int x) const {
    return columns[series * static_cast<size_t>(width + 2) + static_cast<size_t>(x + 1)];
  }
};

// The row nearest a time: exact when the row is still kept at full resolution, otherwise the
// last values of the folded block of rows around it.
struct NearestSample {
  int64_t timeMs = 0;
  bool folded = false;
  std::vector<double> values;
};

// One series' figures over a stretch of rows, from the store's blocks.
struct SeriesFigures {
  Moments moments;
  double min = 0;  // of the finite values; meaningless without any
  double max = 0;
};

// The figures of every series over the rows of a time range. Where the range's edges fall
// inside older rows that are kept only as blocks, the whole blocks count: `approximate` then
// says so, and `firstMs` to `lastMs` are the times the figures really cover.
struct RangeFigures {
  bool approximate = false;
  uint64_t rows = 0;
  int64_t firstMs = 0;
  int64_t lastMs = 0;
  std::vector<SeriesFigures> series;
};

// The rows of one run, every series in lockstep, in bounded memory. The newest rows stay at full
// resolution; all rows are also kept as a pyramid of M4 blocks of 4, 8, 16 ... rows, each level
// holding its newest blocks, the coarsest ones reaching back to the first row. Adding a row is
// O(1) amortised; decimating a time range reads about two entries per pixel column.
class SeriesStore {
 public:
  static constexpr size_t kDefaultBudgetBytes = size_t{64} << 20;
  static constexpr int kFinestLevelLog2 = 2;
  static constexpr size_t kLevelCount = 32;

  explicit SeriesStore(size_t budgetBytes = kDefaultBudgetBytes);

  // Earlier rows count as gaps for the new series.
  size_t AddSeries();
  size_t SeriesCount() const { return rawValues_.size(); }
  // One value per series; GapValue() where the row held no number. A time earlier than the
  // previous row's is taken as the previous row's, so time never runs backwards.
  void AddRow(int64_t elapsedMs, const double* values);
  void Clear();

  uint64_t RowCount() const { return rows_; }
  int64_t FirstTime() const { return firstTime_; }
  int64_t LastTime() const { return lastTime_; }
  size_t BytesKept() const;
  // Rows still at full resolution, the newest ones.
  size_t RawRowCount() const { return rawTimes_.Size(); }

  void Decimate(double startMs, double endMs, int width, Decimation& out) const;
  std::optional<NearestSample> Nearest(double timeMs) const;
  // Reads O(log rows) blocks: the coarsest whole blocks inside the range, finer ones at its edges.
  void Figures(double startMs, double endMs, RangeFigures& out) const;

 private:
  struct Level {
    RingBuffer<TimeSpanMs> times;
    std::vector<RingBuffer<M4>> series;
    std::vector<RingBuffer<Moments>> moments;
    uint64_t completed = 0;
    TimeSpanMs partialTimes;
    uint64_t partialRows = 0;
    std::vector<M4> partial;
    std::vector<Moments> partialMoments;
  };
  // A source is the raw rows (kRawSource) or a level's index; its entries are its kept rows or
  // blocks followed, for a level, by the unfinished blocks of it and of every finer level.
  static constexpr int kRawSource = -1;
  struct Entry {
    TimeSpanMs times;
    uint64_t startRow = 0;
    uint64_t rows = 0;
    int partialLevel = -1;  // the unfinished block's level, or -1
    size_t index = 0;       // within the source's kept rows or blocks
  };

  void ApplyBudget();
  void Feed(size_t level, const TimeSpanMs& times, uint64_t rows, const M4* blocks, const Moments* moments);
  uint64_t RowsPerBlock(size_t level) const { return uint64_t{1} << (level + kFinestLevelLog2); }
  uint64_t KeptStartRow(int source) const;
  size_t EntryCount(int source) const;
  Entry EntryAt(int source, size_t index) const;
  size_t EntryIndexOfRow(int source, uint64_t row) const;
  // The index of the last entry whose first time is before `timeMs`, or none.
  std::optional<size_t> LastEntryBefore(int source, double timeMs) const;
  int FinestSourceReaching(double timeMs, int finestAllowed) const;
  M4 EntryBlock(int source, const Entry& entry, size_t series) const;
  // The entry of `source` holding the first row at or after `timeMs` (first = true), or the
  // last row at or before it; none when there is no such row.
  std::optional<Entry> EdgeEntry(double timeMs, bool first) const;
  // Whether block `block` of a level is finished and still kept.
  bool BlockKept(size_t level, uint64_t block) const;
  // Adds one kept block, or one raw row (level kRawSource), to the figures.
  void AddToFigures(int source, uint64_t index, RangeFigures& out) const;

  size_t budgetBytes_;
  uint64_t rows_ = 0;
  int64_t firstTime_ = 0;
  int64_t lastTime_ = 0;
  RingBuffer<int64_t> rawTimes_;
  std::vector<RingBuffer<double>> rawValues_;
  std::array<Level, kLevelCount> levels_;
  std::vector<M4> rowBlocks_;
  std::vector<Moments> rowMoments_;
};

}  // namespace velmar

#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "chart/chart_view.h"
#include "chart/series_store.h"
#include "chart/run_clock.h"
#include "core/local_time.h"

namespace velmar {

// How a column is drawn: a line on its own scale, or a strip of states.
enum class LaneKind { Analog, State };

// Whether a column looks like states (flags, conditions, error codes): every value seen is
// written as an integer, and there are at most kMaxStates of them. Once it stops looking so, it
// never does again.
class StateGuess {
 public:
  static constexpr size_t kMaxStates = 8;

  void See(double value, bool writtenAsInteger);
  bool LooksLikeState() const { return count_ > 0 && !analog_; }

 private:
  std::array<double, kMaxStates> seen_{};
  size_t count_ = 0;
  bool analog_ = false;
};

// One run as the chart keeps it: its column titles, its wall-clock start, and a series for
// every column that has held a number.
class ChartRun {
 public:
  struct Lane {
    size_t column;  // 0-based, in the reply
    size_t series;  // in the store
  };

  explicit ChartRun(size_t budgetBytes = SeriesStore::kDefaultBudgetBytes);

  void Start(std::vector<std::wstring> titles, const LocalDateTime& started);
  void AddRow(int64_t elapsedMs, const LocalDateTime& time, std::string_view reply);

  // In column order.
  const std::vector<Lane>& Lanes() const { return lanes_; }
  std::wstring Title(size_t column) const;
  // GapValue() when the newest row held no number in that series.
  double LatestValue(size_t series) const { return latest_[series]; }
  // As the instrument wrote it ("25.000"); empty when the newest row held no number there.
  std::string_view LatestText(size_t series) const { return latestTexts_[series]; }
  bool LooksLikeState(size_t series) const { return guesses_[series].LooksLikeState(); }
  // The first row's time less its elapsed time; the header's until a row arrives.
  const LocalDateTime& StartTime() const { return clock_.Start(); }
  // The wall clock at an elapsed time, as the rows around it saw it.
  LocalDateTime ClockAt(int64_t elapsedMs) const { return clock_.At(elapsedMs); }
  RunExtent Extent() const;
  const SeriesStore& Store() const { return store_; }

 private:
  std::vector<std::wstring> titles_;
  RunClock clock_;
  SeriesStore store_;
  std::vector<Lane> lanes_;
  std::vector<size_t> seriesOfColumn_;  // kNoSeries where the column never held a number
  std::vector<double> latest_;
  std::vector<std::string> latestTexts_;
  std::vector<StateGuess> guesses_;  // per series
};

}  // namespace velmar

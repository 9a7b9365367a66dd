#include "chart/chart_run.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "core/reply_fields.h"

namespace velmar {

namespace {

constexpr size_t kNoSeries = static_cast<size_t>(-1);

}  // namespace

void StateGuess::See(double value, bool writtenAsInteger) {
  // Values that draw no line (inf, nan) say nothing about the column.
  if (analog_ || !std::isfinite(value)) return;
  // A decimal point or an exponent is a measurement's, however round its value.
  if (!writtenAsInteger) {
    analog_ = true;
    return;
  }
  if (std::find(seen_.begin(), seen_.begin() + count_, value) != seen_.begin() + count_) return;
  if (count_ == kMaxStates) {
    analog_ = true;
    return;
  }
  seen_[count_++] = value;
}

ChartRun::ChartRun(size_t budgetBytes) : store_(budgetBytes) {}

void ChartRun::Start(std::vector<std::wstring> titles, const LocalDateTime& started) {
  titles_ = std::move(titles);
  clock_.Reset(started);
  store_.Clear();
  lanes_.clear();
  seriesOfColumn_.clear();
  latest_.clear();
  latestTexts_.clear();
  guesses_.clear();
}

void ChartRun::AddRow(int64_t elapsedMs, const LocalDateTime& time, std::string_view reply) {
  clock_.Observe(elapsedMs, time);
  std::fill(latest_.begin(), latest_.end(), GapValue());
  for (std::string& text : latestTexts_) text.clear();
  ForEachField(reply, [&](size_t column, std::string_view field) {
    const std::optional<double> value = ParseField(field);
    if (!value) return;
    if (column >= seriesOfColumn_.size()) seriesOfColumn_.resize(column + 1, kNoSeries);
    size_t& series = seriesOfColumn_[column];
    if (series == kNoSeries) {
      series = store_.AddSeries();
      latest_.push_back(GapValue());
      latestTexts_.emplace_back();
      guesses_.emplace_back();
      const Lane lane{column, series};
      lanes_.insert(std::upper_bound(lanes_.begin(), lanes_.end(), lane,
                                     [](const Lane& a, const Lane& b) { return a.column < b.column; }),
                    lane);
    }
    latest_[series] = *value;
    latestTexts_[series].assign(TrimField(field));
    guesses_[series].See(*value, WrittenAsInteger(field));
  });
  store_.AddRow(elapsedMs, latest_.data());
}

std::wstring ChartRun::Title(size_t column) const { return ColumnTitle(titles_, column); }

RunExtent ChartRun::Extent() const {
  if (store_.RowCount() == 0) return {};
  return {true, static_cast<double>(store_.FirstTime()), static_cast<double>(store_.LastTime())};
}

}  // namespace velmar

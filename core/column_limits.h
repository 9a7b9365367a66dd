#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmar {

inline constexpr int kMinLimitPolls = 1;
inline constexpr int kMaxLimitPolls = 100'000;

// The band a numeric column should stay in, keyed by the column's title so that a preset's
// columns keep their limits from run to run. Either side may be absent.
struct ColumnLimit {
  std::wstring title;
  std::optional<double> low;
  std::optional<double> high;
  // Polls in a row outside before the column is in alarm, and inside before it clears.
  int polls = 1;

  bool operator==(const ColumnLimit&) const = default;
};

// Strictly below the low limit or strictly above the high one; nan is always outside.
bool IsOutside(const ColumnLimit& limit, double value);

// What an alarm line says of the limit a value broke: "above 25.1", "below 10", or for nan
// "outside 10..25.1".
std::wstring BrokenLimitText(const ColumnLimit& limit, double value);

// "LOW..HIGH", with "/N" when N is not 1; either side may be empty. The switch and the
// stored limits both use this form.
std::wstring LimitRangeText(const ColumnLimit& limit);

struct LimitParse {
  std::optional<ColumnLimit> limit;
  std::wstring error;  // empty when a limit was read
};

// "LOW..HIGH" or "LOW..HIGH/N" for the given title. At least one side is needed, and the low
// limit may not be above the high one.
LimitParse ParseLimitRange(std::wstring_view title, std::wstring_view range);
// "TITLE=LOW..HIGH[/N]"; the title is what comes before the last '=', spaces around it
// ignored, so a title may itself hold an '='.
LimitParse ParseLimitAssignment(std::wstring_view text);

// A limit as typed: a decimal number in the C locale, spaces around it allowed, and finite.
std::optional<double> ReadLimitValue(std::wstring_view text);

// Titles are compared with the spaces around them ignored: "A, B" names its second column
// " B", which a user types as "B".
std::wstring_view TrimmedTitle(std::wstring_view title);
bool SameColumnTitle(std::wstring_view a, std::wstring_view b);

// The columns (0-based) that a title names in a run with these header titles: every header
// column of that title, and "Column n" for column n - 1 beyond the header, as the columns of
// a longer reply are called.
std::vector<size_t> ColumnsTitled(const std::vector<std::wstring>& titles, std::wstring_view title);

// Replaces the limit for the same title, or adds it; a limit with no side removes it.
void PutLimit(std::vector<ColumnLimit>& limits, ColumnLimit limit);
const ColumnLimit* FindLimit(const std::vector<ColumnLimit>& limits, std::wstring_view title);

}  // namespace velmar

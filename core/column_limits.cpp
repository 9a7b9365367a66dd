#include "core/column_limits.h"

#include <algorithm>
#include <cmath>

#include "core/decimal_text.h"
#include "core/reply_fields.h"

namespace velmar {
namespace {

constexpr std::wstring_view kRangeSeparator = L"..";
constexpr std::wstring_view kExtraColumnPrefix = L"Column ";

std::wstring Quoted(std::wstring_view text) { return L"\"" + std::wstring(text) + L"\""; }

std::wstring NotTheForm(std::wstring_view text) {
  return Quoted(text) + L" is not TITLE=LOW..HIGH or TITLE=LOW..HIGH/N, such as \"TEC Sensor T=24.5..25.5/3\".";
}

std::wstring_view Trimmed(std::wstring_view text) {
  while (!text.empty() && (text.front() == L' ' || text.front() == L'\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == L' ' || text.back() == L'\t')) text.remove_suffix(1);
  return text;
}

// One side of a range: empty means no limit on that side.
bool ReadSide(std::wstring_view text, std::optional<double>& side, std::wstring& error) {
  if (Trimmed(text).empty()) return true;
  side = ReadLimitValue(text);
  if (!side) error = Quoted(text) + L" is not a number such as 25.1 or -0.5.";
  return side.has_value();
}

}  // namespace

bool IsOutside(const ColumnLimit& limit, double value) {
  if (std::isnan(value)) return true;
  return (limit.low && value < *limit.low) || (limit.high && value > *limit.high);
}

std::wstring BrokenLimitText(const ColumnLimit& limit, double value) {
  if (limit.high && value > *limit.high) return L"above " + FormatValue(*limit.high);
  if (limit.low && value < *limit.low) return L"below " + FormatValue(*limit.low);
  ColumnLimit band = limit;
  band.polls = 1;
  return L"outside " + LimitRangeText(band);
}

std::wstring LimitRangeText(const ColumnLimit& limit) {
  std::wstring text;
  if (limit.low) text += FormatValue(*limit.low);
  text += kRangeSeparator;
  if (limit.high) text += FormatValue(*limit.high);
  if (limit.polls != 1) text += L"/" + std::to_wstring(limit.polls);
  return text;
}

LimitParse ParseLimitRange(std::wstring_view title, std::wstring_view range) {
  LimitParse result;
  const size_t separator = range.find(kRangeSeparator);
  if (separator == std::wstring_view::npos) {
    result.error = NotTheForm(std::wstring(title) + L"=" + std::wstring(range));
    return result;
  }
  ColumnLimit limit{std::wstring(TrimmedTitle(title)), {}, {}, 1};
  std::wstring_view high = range.substr(separator + kRangeSeparator.size());
  if (const size_t slash = high.find(L'/'); slash != std::wstring_view::npos) {
    const std::wstring_view polls = Trimmed(high.substr(slash + 1));
    const std::optional<int> count = AllDigits(polls);
    if (!count || *count < kMinLimitPolls || *count > kMaxLimitPolls) {
      result.error = Quoted(polls) + L" is not a number of polls from " + std::to_wstring(kMinLimitPolls) + L" to " +
                     std::to_wstring(kMaxLimitPolls) + L".";
      return result;
    }
    limit.polls = *count;
    high = high.substr(0, slash);
  }
  if (!ReadSide(range.substr(0, separator), limit.low, result.error) || !ReadSide(high, limit.high, result.error)) {
    return result;
  }
  if (!limit.low && !limit.high) {
    result.error = Quoted(range) + L" sets neither a low nor a high limit.";
  } else if (limit.low && limit.high && *limit.low > *limit.high) {
    result.error = Quoted(range) + L" has its low limit above its high limit.";
  } else {
    result.limit = std::move(limit);
  }
  return result;
}

LimitParse ParseLimitAssignment(std::wstring_view text) {
  const size_t equals = text.rfind(L'=');
  if (equals == std::wstring_view::npos || TrimmedTitle(text.substr(0, equals)).empty()) {
    return {std::nullopt, NotTheForm(text)};
  }
  return ParseLimitRange(text.substr(0, equals), text.substr(equals + 1));
}

std::optional<double> ReadLimitValue(std::wstring_view text) {
  std::string narrow;
  for (const wchar_t c : text) {
    if (c <= 0 || c > 0x7F) return std::nullopt;
    narrow.push_back(static_cast<char>(c));
  }
  const std::optional<double> value = ParseField(narrow);
  if (!value || !std::isfinite(*value)) return std::nullopt;
  return value;
}

std::wstring_view TrimmedTitle(std::wstring_view title) { return Trimmed(title); }

bool SameColumnTitle(std::wstring_view a, std::wstring_view b) { return Trimmed(a) == Trimmed(b); }

std::vector<size_t> ColumnsTitled(const std::vector<std::wstring>& titles, std::wstring_view title) {
  std::vector<size_t> columns;
  for (size_t column = 0; column < titles.size(); ++column) {
    if (SameColumnTitle(ColumnTitle(titles, column), title)) columns.push_back(column);
  }
  const std::wstring_view trimmed = Trimmed(title);
  if (trimmed.starts_with(kExtraColumnPrefix)) {
    const std::optional<int> number = AllDigits(trimmed.substr(kExtraColumnPrefix.size()));
    if (number && static_cast<size_t>(*number) > titles.size()) columns.push_back(static_cast<size_t>(*number) - 1);
  }
  return columns;
}

void PutLimit(std::vector<ColumnLimit>& limits, ColumnLimit limit) {
  limit.title = std::wstring(Trimmed(limit.title));
  const auto same = [&](const ColumnLimit& other) { return SameColumnTitle(other.title, limit.title); };
  std::erase_if(limits, same);
  if (limit.low || limit.high) limits.push_back(std::move(limit));
}

const ColumnLimit* FindLimit(const std::vector<ColumnLimit>& limits, std::wstring_view title) {
  const auto found = std::find_if(limits.begin(), limits.end(),
                                  [&](const ColumnLimit& limit) { return SameColumnTitle(limit.title, title); });
  return found == limits.end() ? nullptr : &*found;
}

}  // namespace velmar

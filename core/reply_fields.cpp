#include "core/reply_fields.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace velmar {

namespace {

bool IsFieldSpace(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::string_view TrimField(std::string_view field) {
  while (!field.empty() && IsFieldSpace(field.front())) field.remove_prefix(1);
  while (!field.empty() && IsFieldSpace(field.back())) field.remove_suffix(1);
  return field;
}

bool WrittenAsInteger(std::string_view field) {
  field = TrimField(field);
  if (!field.empty() && (field.front() == '-' || field.front() == '+')) field.remove_prefix(1);
  return !field.empty() && std::all_of(field.begin(), field.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<double> ParseField(std::string_view field) {
  field = TrimField(field);
  // from_chars takes a minus sign only; a plus is ours to skip, but not before another sign.
  if (!field.empty() && field.front() == '+') {
    field.remove_prefix(1);
    if (!field.empty() && field.front() == '-') return std::nullopt;
  }
  if (field.empty()) return std::nullopt;
  double value = 0;
  const char* end = field.data() + field.size();
  const auto [stop, error] = std::from_chars(field.data(), end, value);
  // A value beyond double's range is still a number; from_chars reports it without a value.
  if (error == std::errc::result_out_of_range && stop == end) {
    const bool negative = field.front() == '-';
    const size_t exponent = field.find_first_of("eE");
    const bool tiny = exponent != std::string_view::npos && exponent + 1 < field.size() &&
                      field[exponent + 1] == '-';
    if (tiny) return negative ? -0.0 : 0.0;
    return negative ? -std::numeric_limits<double>::infinity()
                    : std::numeric_limits<double>::infinity();
  }
  if (error != std::errc{} || stop != end) return std::nullopt;
  // One NaN for all spellings ("nan(123)"), so a payload never looks like anything else.
  if (std::isnan(value)) return std::numeric_limits<double>::quiet_NaN();
  return value;
}

std::vector<std::wstring> SplitTitles(std::wstring_view header) {
  std::vector<std::wstring> titles;
  if (header.empty()) return titles;
  for (size_t start = 0;;) {
    const size_t comma = header.find(L',', start);
    titles.emplace_back(header.substr(start, comma == std::wstring_view::npos ? comma : comma - start));
    if (comma == std::wstring_view::npos) return titles;
    start = comma + 1;
  }
}

std::wstring ColumnTitle(const std::vector<std::wstring>& titles, size_t column) {
  if (column < titles.size() && !titles[column].empty()) return titles[column];
  return L"Column " + std::to_wstring(column + 1);
}

std::wstring FormatValue(double value) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::wstring(text, result.ptr);
}

}  // namespace velmar

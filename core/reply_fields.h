#pragma once
#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmar {

// One field of a reply read as a number in the C locale: surrounding spaces, a sign, an
// exponent, "inf" and "nan" in any case. Anything else (text, an empty field, a NUL byte) is
// no number, which the chart shows as a gap, never as zero.
std::optional<double> ParseField(std::string_view field);

// A field without the spaces around it: a number as the instrument wrote it ("25.000").
std::string_view TrimField(std::string_view field);

// An optional sign and digits only, as flags and codes are written ("0", "1", "-3"); a number
// with a decimal point or an exponent is a measurement, even when its value is whole.
bool WrittenAsInteger(std::string_view field);

// Calls onField(column, field) for each field of a reply, split at every comma as the log
// file's columns are; an empty reply has no fields at all.
template <class OnField>
void ForEachField(std::string_view reply, OnField&& onField) {
  size_t column = 0;
  for (size_t start = 0; !reply.empty() && start <= reply.size(); ++column) {
    const size_t comma = std::min(reply.find(',', start), reply.size());
    onField(column, reply.substr(start, comma - start));
    start = comma + 1;
  }
}

// Column titles from the header line; titles beyond the header's are "Column n" (1-based).
std::vector<std::wstring> SplitTitles(std::wstring_view header);
std::wstring ColumnTitle(const std::vector<std::wstring>& titles, size_t column);

// The shortest text that reads back as the same value: "150.065", "-0.0045", "1e+300", "inf".
std::wstring FormatValue(double value);

}  // namespace velmar

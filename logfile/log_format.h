#pragma once
#include <array>
#include <cstdint>
#include <cstddef>
#include <string>
#include <string_view>

#include "core/local_time.h"

namespace velmar {

// The English month names of the date text, January first.
inline constexpr std::array<std::string_view, 12> kMonthNames{
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};

// How the preamble's lines begin; a reader of the file knows them by these.
inline constexpr std::string_view kStartStampPrefix = "Test started,\"";
inline constexpr std::string_view kQueryPrefix = "Query used,\"";
inline constexpr std::string_view kColumnTitlesPrefix = "Point,Time(ms),";

// "dddd, MMMM dd, yyyy HH:mm:ss" in English whatever the locale, e.g.
// "Tuesday, March 14, 2028 09:05:07". Empty when a field is out of range.
std::string FormatLongDateTime(const LocalDateTime& time);

// The lines of the log file, each ended by "\n" (the text-mode stream writes CR LF).
// Nothing is quoted or escaped: the texts go in exactly as given.
std::string StartStampLine(std::string_view dateText);
std::string QueryLine(std::string_view command);
std::string ColumnTitlesLine(std::string_view header);
std::string DataRowLine(int point, int64_t elapsedMs, std::string_view reply);

}  // namespace velmar

#pragma once
#include <array>
#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

namespace velmar {

// Broken-down local time, with the month and year as people write them (not as struct tm holds them).
struct CalendarTime {
  int year;
  int month;    // 1-12
  int day;      // 1-31
  int weekday;  // 0 = Sunday
  int hour;     // 0-23
  int minute;
  int second;
};

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
std::string FormatLongDateTime(const CalendarTime& time);

// The lines of the log file, each ended by "\n" (the text-mode stream writes CR LF).
// Nothing is quoted or escaped: the texts go in exactly as given.
std::string StartStampLine(std::string_view dateText);
std::string QueryLine(std::string_view command);
std::string ColumnTitlesLine(std::string_view header);
std::string DataRowLine(int point, int elapsedMs, std::string_view reply);

// Rows waiting while the log file cannot be opened (e.g. a spreadsheet holds it exclusively).
// When full it keeps the earliest rows, which continue the file without a gap, and counts the
// later rows it refuses so the loss can be reported.
class PendingRows {
 public:
  static constexpr size_t kMaxRows = 100'000;
  static constexpr size_t kMaxBytes = 16 * 1024 * 1024;

  // False when the row does not fit and was dropped.
  bool Push(std::string line);
  size_t Count() const { return lines_.size(); }
  size_t DroppedCount() const { return dropped_; }
  bool Empty() const { return lines_.empty(); }
  // Oldest first.
  const std::deque<std::string>& Lines() const { return lines_; }
  void PopFront(size_t count);
  void Clear();

 private:
  std::deque<std::string> lines_;
  size_t bytes_ = 0;
  size_t dropped_ = 0;
};

}  // namespace velmar

#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "alarm/alarm_streak.h"
#include "core/column_limits.h"
#include "core/run_types.h"

namespace velmar {

// What a poll was besides its row.
struct PollFacts {
  // The port was gone and could not be opened again.
  bool portLost = false;
  // Rows wait in memory for a file of the run.
  bool fileRefused = false;
};

enum class AlarmChange { Raised, Cleared };

// A column or a health check going into alarm or out of it, dated by the first poll of the
// streak that did it.
struct AlarmEvent {
  AlarmChange change = AlarmChange::Raised;
  int point = 0;
  LocalDateTime time;
  // The column's title, or the health check's name.
  std::wstring source;
  // The field as the instrument sent it, without the spaces around it; empty for health.
  std::wstring value;
  // "above 25.1", "below 10", "3 empty replies"; a clear repeats its alarm's.
  std::wstring limit;
};

// The health checks, always on, with no settings.
inline constexpr std::wstring_view kSilentSource = L"instrument silent";
inline constexpr std::wstring_view kPortLostSource = L"port lost";
inline constexpr std::wstring_view kRowsWaitingSource = L"rows waiting";
inline constexpr int kSilentPolls = 3;

// Watches a run's polls against the column limits and the health checks, and says when each
// goes into alarm and out of it. The window feeds it every poll; it decides, and does nothing.
class AlarmMonitor {
 public:
  // A new run with these column titles (the header line) and limits; nothing is in alarm.
  // lostPort, when given, names the port in the port-lost alarm (a network instrument's address).
  void Begin(std::wstring_view header, const std::vector<ColumnLimit>& limits, std::wstring_view lostPort = {});
  // Limits changed during the run: from the next poll on, each changed column counts its
  // streak from zero. A column in alarm whose limit was removed clears at its next number.
  void SetLimits(const std::vector<ColumnLimit>& limits);
  // One poll: the changes it makes, the health checks first, then the columns in order.
  std::vector<AlarmEvent> Poll(const LoggedRow& row, const PollFacts& facts);

  const std::vector<ColumnLimit>& Limits() const { return limits_; }
  // Whether a limit names a column of the run.
  bool WatchesColumns() const { return !watches_.empty(); }
  bool AnyActive() const;
  // Whether any alarm was raised since Begin, cleared or not.
  bool AnyRaised() const { return raised_; }
  // For the chart: whether this column (0-based) is in alarm now.
  bool ColumnInAlarm(size_t column) const;

 private:
  struct Watch {
    size_t column = 0;
    std::wstring title;
    // Index into limits_; none once the limit was removed while the column was in alarm.
    std::optional<size_t> limit;
    AlarmStreak streak;
  };

  // Builds the watches for limits_, carrying each column's state over from `previous`.
  void WatchColumns(std::vector<Watch> previous, const std::vector<ColumnLimit>& previousLimits);
  void ObserveHealth(AlarmStreak& streak, bool outside, std::wstring_view source, std::wstring_view limit,
                     const LoggedRow& row, std::vector<AlarmEvent>& events);
  void ObserveField(Watch& watch, std::string_view field, const LoggedRow& row, std::vector<AlarmEvent>& events);
  void Report(AlarmStreak::Change change, const AlarmStreak& streak, std::wstring_view source,
              std::vector<AlarmEvent>& events);

  std::vector<std::wstring> titles_;
  std::vector<ColumnLimit> limits_;
  std::wstring lostPort_;
  // Sorted by column, as the reply's fields come.
  std::vector<Watch> watches_;
  AlarmStreak silent_{kSilentPolls};
  AlarmStreak portLost_;
  AlarmStreak rowsWaiting_;
  bool raised_ = false;
};

}  // namespace velmar

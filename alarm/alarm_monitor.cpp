#include "alarm/alarm_monitor.h"

#include <algorithm>
#include <utility>

#include "core/reply_fields.h"

namespace velmar {
namespace {

// The field as sent, without its spaces; a field that reads as a number is ASCII throughout.
std::wstring FieldText(std::string_view field) {
  while (!field.empty() && (field.front() == ' ' || field.front() == '\t')) field.remove_prefix(1);
  while (!field.empty() && (field.back() == ' ' || field.back() == '\t')) field.remove_suffix(1);
  std::wstring text;
  for (const char c : field) text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  return text;
}

const std::wstring& SilentLimit() {
  static const std::wstring text = std::to_wstring(kSilentPolls) + L" empty replies";
  return text;
}

}  // namespace

void AlarmMonitor::Begin(std::wstring_view header, const std::vector<ColumnLimit>& limits,
                         std::wstring_view lostPort) {
  titles_ = SplitTitles(header);
  lostPort_ = lostPort;
  limits_ = limits;
  silent_ = AlarmStreak(kSilentPolls);
  portLost_ = AlarmStreak();
  rowsWaiting_ = AlarmStreak();
  raised_ = false;
  WatchColumns({}, {});
}

void AlarmMonitor::SetLimits(const std::vector<ColumnLimit>& limits) {
  const std::vector<ColumnLimit> previousLimits = std::exchange(limits_, limits);
  WatchColumns(std::exchange(watches_, {}), previousLimits);
}

void AlarmMonitor::WatchColumns(std::vector<Watch> previous, const std::vector<ColumnLimit>& previousLimits) {
  watches_.clear();
  for (size_t index = 0; index < limits_.size(); ++index) {
    const ColumnLimit& limit = limits_[index];
    if (!limit.low && !limit.high) continue;
    for (const size_t column : ColumnsTitled(titles_, limit.title)) {
      // Two limits for one title: the first holds.
      if (std::any_of(watches_.begin(), watches_.end(), [&](const Watch& w) { return w.column == column; })) continue;
      Watch watch{column, limit.title, index, AlarmStreak(limit.polls)};
      const auto old = std::find_if(previous.begin(), previous.end(), [&](const Watch& w) { return w.column == column; });
      if (old != previous.end()) {
        watch.streak = old->streak;
        if (!old->limit || !(previousLimits[*old->limit] == limit)) watch.streak.Restart(limit.polls);
        previous.erase(old);
      }
      watches_.push_back(std::move(watch));
    }
  }
  // A column in alarm whose limit is gone has nothing left to be outside of.
  for (Watch& old : previous) {
    if (!old.streak.Active()) continue;
    old.limit.reset();
    old.streak.Restart(1);
    watches_.push_back(std::move(old));
  }
  std::stable_sort(watches_.begin(), watches_.end(), [](const Watch& a, const Watch& b) { return a.column < b.column; });
}

std::vector<AlarmEvent> AlarmMonitor::Poll(const LoggedRow& row, const PollFacts& facts) {
  std::vector<AlarmEvent> events;
  ObserveHealth(portLost_, facts.portLost, kPortLostSource, lostPort_, row, events);
  // Silence is heard only while the port is there to answer through.
  if (!facts.portLost) {
    ObserveHealth(silent_, row.reply.empty(), kSilentSource, SilentLimit(), row, events);
  }
  ObserveHealth(rowsWaiting_, facts.fileRefused, kRowsWaitingSource, {}, row, events);
  if (watches_.empty()) return events;
  size_t next = 0;
  ForEachField(row.reply, [&](size_t column, std::string_view field) {
    while (next < watches_.size() && watches_[next].column < column) ++next;
    for (size_t i = next; i < watches_.size() && watches_[i].column == column; ++i) {
      ObserveField(watches_[i], field, row, events);
    }
  });
  std::erase_if(watches_, [](const Watch& watch) { return !watch.limit && !watch.streak.Active(); });
  return events;
}

bool AlarmMonitor::AnyActive() const {
  return silent_.Active() || portLost_.Active() || rowsWaiting_.Active() ||
         std::any_of(watches_.begin(), watches_.end(), [](const Watch& watch) { return watch.streak.Active(); });
}

bool AlarmMonitor::ColumnInAlarm(size_t column) const {
  return std::any_of(watches_.begin(), watches_.end(),
                     [column](const Watch& watch) { return watch.column == column && watch.streak.Active(); });
}

void AlarmMonitor::ObserveHealth(AlarmStreak& streak, bool outside, std::wstring_view source,
                                 std::wstring_view limit, const LoggedRow& row, std::vector<AlarmEvent>& events) {
  const AlarmStreak::Change change =
      streak.Observe(outside, [&] { return StreakStart{row.point, row.time, {}, std::wstring(limit)}; });
  Report(change, streak, source, events);
}

void AlarmMonitor::ObserveField(Watch& watch, std::string_view field, const LoggedRow& row,
                                std::vector<AlarmEvent>& events) {
  const std::optional<double> value = ParseField(field);
  if (!value) return;
  const ColumnLimit* limit = watch.limit ? &limits_[*watch.limit] : nullptr;
  const bool outside = limit && IsOutside(*limit, *value);
  const AlarmStreak::Change change = watch.streak.Observe(outside, [&] {
    return StreakStart{row.point, row.time, FieldText(field), outside ? BrokenLimitText(*limit, *value) : L""};
  });
  Report(change, watch.streak, watch.title, events);
}

void AlarmMonitor::Report(AlarmStreak::Change change, const AlarmStreak& streak, std::wstring_view source,
                          std::vector<AlarmEvent>& events) {
  if (change == AlarmStreak::Change::None) return;
  const bool raised = change == AlarmStreak::Change::Raised;
  raised_ = raised_ || raised;
  const StreakStart& start = streak.Start();
  events.push_back({raised ? AlarmChange::Raised : AlarmChange::Cleared, start.point, start.time, std::wstring(source),
                    start.value, streak.RaisedLimit()});
}

}  // namespace velmar

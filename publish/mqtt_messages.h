#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/local_time.h"
#include "core/run_types.h"

namespace velmar {

// What a run's status topic says; "offline" is said by the last will and before a clean end.
enum class RunState { Running, Waiting, Lost, Stopped };
const char* StatusWord(RunState state);
inline constexpr char kOfflineWord[] = "offline";

// One instant as Unix milliseconds (UTC) and the local clock's offset from UTC then.
struct PollInstant {
  int64_t unixMs = 0;
  int offsetMinutes = 0;
};

// The instant a local clock reading stands for, given the UTC clock read a little later (a
// poll's exchange takes up to a second): every offset in use is whole quarter hours, so the
// difference rounded to one is the offset in force at the reading, also across a change.
PollInstant InstantOf(const LocalDateTime& local, int64_t unixMsNearby);

// "2026-12-07T18:42:57.100+01:00"
std::string LocalTimeText(const LocalDateTime& local, int offsetMinutes);

// An alarm event as the alarm topic tells it. Texts are UTF-8.
struct AlarmMessage {
  LocalDateTime time;
  int64_t unixMs = 0;
  int point = 0;
  std::string source;  // the column's title
  double value = 0;
  std::string limit;  // "above 25.1"
  std::string event;  // "alarm", "clear"
};

// One logged row as JSON. The values are read from the reply's raw bytes, split as the log
// file's columns are; the reply text and titles are UTF-8, where a stray byte becomes U+FFFD so
// the message stays valid JSON.
std::string RowJson(const LoggedRow& row, const PollInstant& instant, std::string_view replyUtf8,
                    const std::vector<std::string>& titlesUtf8);
std::string AlarmJson(const AlarmMessage& event);

}  // namespace velmar

#include "publish/mqtt_messages.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <nlohmann/json.hpp>

#include "core/reply_fields.h"

namespace velmar {

namespace {

using Json = nlohmann::ordered_json;

constexpr int64_t kMinuteMs = 60'000;
constexpr int64_t kQuarterHourMs = 15 * kMinuteMs;

std::string Dump(const Json& json) { return json.dump(-1, ' ', false, Json::error_handler_t::replace); }

// Rounds half away from zero, so an offset of -05:30 rounds as +05:30 does.
int64_t NearestQuarterHour(int64_t ms) {
  const int64_t quarters = (std::llabs(ms) + kQuarterHourMs / 2) / kQuarterHourMs;
  return (ms < 0 ? -quarters : quarters) * kQuarterHourMs;
}

std::string ColumnKey(const std::vector<std::string>& titles, size_t column) {
  if (column < titles.size() && !titles[column].empty()) return titles[column];
  return "Column " + std::to_string(column + 1);
}

}  // namespace

const char* StatusWord(RunState state) {
  switch (state) {
    case RunState::Running:
      return "running";
    case RunState::Waiting:
      return "waiting";
    case RunState::Lost:
      return "lost";
    case RunState::Stopped:
      return "stopped";
  }
  return kOfflineWord;
}

PollInstant InstantOf(const LocalDateTime& local, int64_t unixMsNearby) {
  const int64_t clockMs = ClockMilliseconds(local);
  const int64_t offsetMs = NearestQuarterHour(clockMs - unixMsNearby);
  return {clockMs - offsetMs, static_cast<int>(offsetMs / kMinuteMs)};
}

std::string LocalTimeText(const LocalDateTime& local, int offsetMinutes) {
  const int offset = std::abs(offsetMinutes);
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d", local.year, local.month,
                local.day, local.hour, local.minute, local.second, local.millisecond, offsetMinutes < 0 ? '-' : '+',
                offset / 60, offset % 60);
  return text;
}

std::string RowJson(const LoggedRow& row, const PollInstant& instant, std::string_view replyUtf8,
                    const std::vector<std::string>& titlesUtf8) {
  Json values = Json::object();
  ForEachField(row.reply, [&](size_t column, std::string_view field) {
    const std::optional<double> value = ParseField(field);
    // JSON has no inf or nan. A title used twice keeps its first column; the reply has all.
    const std::string key = ColumnKey(titlesUtf8, column);
    if (value && std::isfinite(*value) && !values.contains(key)) values[key] = *value;
  });
  Json json;
  json["ts"] = instant.unixMs;
  json["point"] = row.point;
  json["elapsed_ms"] = row.elapsedMs;
  json["time"] = LocalTimeText(row.time, instant.offsetMinutes);
  json["values"] = std::move(values);
  json["reply"] = std::string(replyUtf8);
  return Dump(json);
}

std::string AlarmJson(const AlarmMessage& event) {
  const PollInstant instant = InstantOf(event.time, event.unixMs);
  Json json;
  json["ts"] = event.unixMs;
  json["time"] = LocalTimeText(event.time, instant.offsetMinutes);
  json["point"] = event.point;
  json["source"] = event.source;
  // nlohmann writes a value JSON cannot hold as null.
  json["value"] = event.value;
  json["limit"] = event.limit;
  json["event"] = event.event;
  return Dump(json);
}

}  // namespace velmar

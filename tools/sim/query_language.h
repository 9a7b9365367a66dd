#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/sim/instrument_model.h"

namespace velmar::sim {

enum class Subsystem { kLaser, kTec };

struct Query {
  Subsystem subsystem;
  std::string name;  // lower case, without the '?'
};

// What an unknown query answers. A value keeps the reply one field per query, so the log's
// columns stay aligned; no real reading of this instrument is negative.
inline constexpr std::string_view kUnknownQueryAnswer = "-1";

// Splits a query line at ';'. A "las:" or "tec:" prefix selects the subsystem for its query and
// the ones after it (laser until told otherwise). Parts without a trailing '?' are settings
// commands: accepted, not answered. CR bytes are ignored anywhere.
std::vector<Query> ParseQueries(std::string_view line);

std::string AnswerQuery(const Query& query, const InstrumentModel& model);

// The reply text for a whole line (without its terminator): one value per query, joined by ','.
// A line without any query gets no reply at all, as the instrument stays silent after commands.
std::optional<std::string> AnswerLine(std::string_view line, const InstrumentModel& model);

}  // namespace velmar::sim

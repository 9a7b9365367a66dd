#include "tools/sim/query_language.h"

#include <cctype>
#include <cstdio>

namespace velmar::sim {

namespace {

std::string Lower(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string_view Trim(std::string_view text) {
  constexpr std::string_view kBlanks = " \t";
  const auto first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

bool TakePrefix(std::string_view& token, std::string_view prefix) {
  if (token.size() < prefix.size() || Lower(token.substr(0, prefix.size())) != prefix) return false;
  token = Trim(token.substr(prefix.size()));
  return true;
}

std::string Fixed(double value, int decimals) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  return buffer;
}

std::string AnswerLaser(std::string_view name, const InstrumentModel& model) {
  const LaserReadings r = model.Laser();
  if (name == "ldi") return Fixed(r.current_ma, 3);
  if (name == "ldv") return Fixed(r.voltage_v, 3);
  if (name == "mdi") return Fixed(r.photodiode_ua, 2);
  if (name == "out") return std::to_string(r.output);
  if (name == "eve") return std::to_string(r.event);
  if (name == "cond") return std::to_string(r.condition);
  return std::string(kUnknownQueryAnswer);
}

std::string AnswerTec(std::string_view name, const InstrumentModel& model) {
  const TecReadings r = model.Tec();
  if (name == "ite") return Fixed(r.current_a, 3);
  if (name == "v") return Fixed(r.voltage_v, 3);
  if (name == "t") return Fixed(r.temperature_c, 3);
  if (name == "r") return Fixed(r.resistance_kohm, 3);
  if (name == "out") return std::to_string(r.output);
  if (name == "eve") return std::to_string(r.event);
  if (name == "cond") return std::to_string(r.condition);
  return std::string(kUnknownQueryAnswer);
}

}  // namespace

std::vector<Query> ParseQueries(std::string_view line) {
  std::string clean;
  for (char c : line)
    if (c != '\r') clean += c;

  std::vector<Query> queries;
  Subsystem subsystem = Subsystem::kLaser;
  std::string_view rest = clean;
  while (true) {
    const auto end = rest.find(';');
    std::string_view token = Trim(rest.substr(0, end));
    while (true) {
      if (TakePrefix(token, "las:"))
        subsystem = Subsystem::kLaser;
      else if (TakePrefix(token, "tec:"))
        subsystem = Subsystem::kTec;
      else
        break;
    }
    if (!token.empty() && token.back() == '?')
      queries.push_back({subsystem, Lower(Trim(token.substr(0, token.size() - 1)))});
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  return queries;
}

std::string AnswerQuery(const Query& query, const InstrumentModel& model) {
  if (query.name == "err") return std::to_string(model.ErrorCode());
  return query.subsystem == Subsystem::kLaser ? AnswerLaser(query.name, model)
                                              : AnswerTec(query.name, model);
}

std::optional<std::string> AnswerLine(std::string_view line, const InstrumentModel& model) {
  const std::vector<Query> queries = ParseQueries(line);
  if (queries.empty()) return std::nullopt;
  std::string reply;
  for (const Query& query : queries) {
    if (!reply.empty()) reply += ',';
    reply += AnswerQuery(query, model);
  }
  return reply;
}

}  // namespace velmar::sim

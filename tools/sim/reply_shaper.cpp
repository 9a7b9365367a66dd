#include "tools/sim/reply_shaper.h"

#include <algorithm>
#include <array>
#include <utility>

namespace velmar::sim {

namespace {

using std::chrono::microseconds;

constexpr std::array<std::pair<ReplyMode, std::string_view>, 8> kModeNames{{
    {ReplyMode::kNormal, "normal"},
    {ReplyMode::kSilent, "silent"},
    {ReplyMode::kCrOnly, "cr-only"},
    {ReplyMode::kLfFirst, "lf-first"},
    {ReplyMode::kNoCr, "no-cr"},
    {ReplyMode::kGarbage, "garbage"},
    {ReplyMode::kNul, "nul"},
    {ReplyMode::kLong, "long"},
}};

// Start, stop and 8 data bits per byte.
constexpr double kBitsPerByte = 10.0;
// Comfortably beyond the logger's one-second reply limit.
constexpr double kLongReplySeconds = 1.25;
// Long replies are written in bursts this far apart rather than byte by byte.
constexpr double kLongBurstSeconds = 0.005;

std::string AddGarbage(std::string text, std::mt19937_64& rng) {
  std::uniform_int_distribution<int> count(4, 8);
  std::uniform_int_distribution<int> any_byte(0, 255);
  std::string junk = {'\0', static_cast<char>(0x80 + any_byte(rng) % 0x80)};
  for (int n = count(rng) - 2; n > 0; --n) {
    char c;
    do c = static_cast<char>(any_byte(rng));
    while (c == '\r' || c == '\n');
    junk += c;
  }
  for (char c : junk) {
    std::uniform_int_distribution<std::size_t> at(0, text.size());
    text.insert(text.begin() + static_cast<std::ptrdiff_t>(at(rng)), c);
  }
  return text;
}

std::vector<ReplyChunk> Split(const std::string& bytes, const ReplySettings& settings) {
  const std::size_t pieces =
      std::clamp<std::size_t>(static_cast<std::size_t>(std::max(settings.split_pieces, 1)), 1, bytes.size());
  std::vector<ReplyChunk> chunks;
  std::size_t begin = 0;
  for (std::size_t i = 0; i < pieces; ++i) {
    const std::size_t size = bytes.size() / pieces + (i < bytes.size() % pieces ? 1 : 0);
    chunks.push_back({settings.delay + settings.split_gap * static_cast<long>(i), bytes.substr(begin, size)});
    begin += size;
  }
  return chunks;
}

std::vector<ReplyChunk> Paced(std::string_view values, const ReplySettings& settings, unsigned baud) {
  const double rate = baud > 0 ? baud : kFallbackBaud;
  const double byte_seconds = kBitsPerByte / rate;
  const auto wanted = static_cast<std::size_t>(kLongReplySeconds / byte_seconds) + 1;
  std::string line(values);
  while (line.size() + 2 < wanted) (line += ',') += values;
  line += "\r\n";

  const auto burst = std::max<std::size_t>(1, static_cast<std::size_t>(kLongBurstSeconds / byte_seconds));
  std::vector<ReplyChunk> chunks;
  for (std::size_t begin = 0; begin < line.size(); begin += burst) {
    const auto at = microseconds(static_cast<long>(static_cast<double>(begin) * byte_seconds * 1e6));
    chunks.push_back({settings.delay + at, line.substr(begin, burst)});
  }
  return chunks;
}

}  // namespace

std::optional<ReplyMode> ReplyModeFromName(std::string_view name) {
  for (const auto& [mode, mode_name] : kModeNames)
    if (mode_name == name) return mode;
  return std::nullopt;
}

std::string_view ReplyModeName(ReplyMode mode) {
  for (const auto& [known, mode_name] : kModeNames)
    if (known == mode) return mode_name;
  return "normal";
}

std::vector<ReplyChunk> ShapeReply(std::string_view values, const ReplySettings& settings,
                                   unsigned baud, std::mt19937_64& rng) {
  std::string text(values);
  switch (settings.mode) {
    case ReplyMode::kSilent:
      return {};
    case ReplyMode::kLong:
      return Paced(values, settings, baud);
    case ReplyMode::kCrOnly:
      return Split(text + "\r", settings);
    case ReplyMode::kLfFirst:
      return Split("\n" + text + "\r\n", settings);
    case ReplyMode::kNoCr:
      return Split(text + "\n", settings);
    case ReplyMode::kGarbage:
      return Split(AddGarbage(text, rng) + "\r\n", settings);
    case ReplyMode::kNul:
      text.insert(std::min(text.find(','), text.size()), 1, '\0');
      return Split(text + "\r\n", settings);
    case ReplyMode::kNormal:
      break;
  }
  return Split(text + "\r\n", settings);
}

}  // namespace velmar::sim

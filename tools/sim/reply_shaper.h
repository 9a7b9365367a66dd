#pragma once
#include <chrono>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace velmar::sim {

// How the reply line is framed and damaged, to exercise the logger's reply reading.
enum class ReplyMode {
  kNormal,   // values + "\r\n"
  kSilent,   // no reply at all
  kCrOnly,   // values + "\r"
  kLfFirst,  // "\n" + values + "\r\n"
  kNoCr,     // values + "\n"
  kGarbage,  // random bytes (NUL and high bytes among them, never CR or LF) mixed into the values
  kNul,      // a NUL byte right after the first value
  kLong,     // values repeated to over a second's worth of bytes, written at the line rate
};

std::optional<ReplyMode> ReplyModeFromName(std::string_view name);
std::string_view ReplyModeName(ReplyMode mode);

struct ReplySettings {
  ReplyMode mode = ReplyMode::kNormal;
  std::chrono::milliseconds delay{0};
  int split_pieces = 1;  // 1 sends the reply in one write
  std::chrono::milliseconds split_gap{0};
};

// One write of the reply, due this long after the query line arrived.
struct ReplyChunk {
  std::chrono::microseconds offset;
  std::string bytes;
};

inline constexpr unsigned kFallbackBaud = 9600;

// Turns the reply text into timed writes. `baud` is the rate the other side set on the line
// (0 when unknown); it only matters for kLong, which ignores the split setting.
std::vector<ReplyChunk> ShapeReply(std::string_view values, const ReplySettings& settings,
                                   unsigned baud, std::mt19937_64& rng);

}  // namespace velmar::sim

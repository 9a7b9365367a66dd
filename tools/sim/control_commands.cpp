#include <algorithm>
#include <cctype>
#include <charconv>
#include <vector>

#include "tools/sim/simulator.h"

namespace velmar::sim {

namespace {

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    const std::size_t begin = i;
    while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    if (i > begin) words.push_back(text.substr(begin, i - begin));
  }
  return words;
}

bool ToInt(std::string_view text, int& value) {
  auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
  return status == std::errc() && end == text.data() + text.size();
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// More pieces than any reply has bytes: one byte per piece.
constexpr int kTricklePieces = 1 << 20;

bool FromHex(std::string_view hex, std::string& bytes) {
  if (hex.size() % 2 != 0) return false;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const int high = HexDigit(hex[i]);
    const int low = HexDigit(hex[i + 1]);
    if (high < 0 || low < 0) return false;
    bytes.push_back(static_cast<char>(high * 16 + low));
  }
  return true;
}

}  // namespace

std::optional<std::string> Simulator::FaultControl(const std::vector<std::string_view>& w) {
  if (w.size() == 1 && w[0] == "half-open") {
    half_open_ = true;
    return std::string("ok half-open");
  }
  if (w.size() == 1 && w[0] == "flood") {
    flooding_ = true;
    Flush();
    return std::string("ok flooding");
  }
  int gap = 0;
  if (w.size() == 2 && w[0] == "trickle") {
    if (!ToInt(w[1], gap) || gap < 0) return std::string("error trickle expects GAP_MS >= 0");
    reply_.split_pieces = kTricklePieces;
    reply_.split_gap = std::chrono::milliseconds(gap);
    return "ok trickle " + std::to_string(gap);
  }
  return std::nullopt;
}

std::string Simulator::Control(std::string_view command) {
  const std::vector<std::string_view> w = Words(command);
  if (w.empty()) return "error empty command";
  const std::string_view verb = w[0];
  const std::size_t args = w.size() - 1;

  if (verb == "ping" && args == 0) return "ok pong";
  if (verb == "mode" && args == 1) {
    const auto mode = ReplyModeFromName(w[1]);
    if (!mode) return "error unknown mode " + std::string(w[1]);
    reply_.mode = *mode;
    return "ok mode " + std::string(ReplyModeName(*mode));
  }
  if (verb == "delay" && args == 1) {
    int ms = 0;
    if (!ToInt(w[1], ms) || ms < 0) return "error delay expects milliseconds";
    reply_.delay = std::chrono::milliseconds(ms);
    return "ok delay " + std::to_string(ms);
  }
  if (verb == "split" && args == 2) {
    int pieces = 0;
    int gap = 0;
    if (!ToInt(w[1], pieces) || !ToInt(w[2], gap) || pieces < 1 || gap < 0)
      return "error split expects N >= 1 and GAP_MS >= 0";
    reply_.split_pieces = pieces;
    reply_.split_gap = std::chrono::milliseconds(gap);
    return "ok split " + std::to_string(pieces) + " " + std::to_string(gap);
  }
  if (verb == "unplug" && args == 0) {
    Unplug();
    return "ok unplugged";
  }
  if (verb == "replug" && args == 0) {
    std::string error;
    if (!Replug(error)) return "error " + error;
    return "ok plugged " + link_->Describe();
  }
  if (verb == "record" && args == 0) return "ok " + log_.Hex();
  if (verb == "sent" && args == 0) return "ok " + sent_.Hex();
  if (verb == "record-times" && args == 0) return "ok " + log_.TimedItems();
  if (verb == "record-times-us" && args == 0) return "ok " + log_.TimedItemsUs();
  if (verb == "sent-times-us" && args == 0) return "ok " + sent_.TimedItemsUs();
  // steady_clock is CLOCK_MONOTONIC here, so a harness can put the byte times on its own clock.
  if (verb == "start-time" && args == 0) {
    const auto since_epoch = std::chrono::duration_cast<std::chrono::microseconds>(start_.time_since_epoch());
    return "ok " + std::to_string(since_epoch.count());
  }
  if (verb == "clear" && args == 0) {
    log_.Clear();
    sent_.Clear();
    return "ok cleared";
  }
  if (std::optional<std::string> answer = link_->Control(w)) return *answer;
  if (std::optional<std::string> answer = FaultControl(w)) return *answer;
  if (verb == "send" && args == 1) {
    std::string bytes;
    if (!FromHex(w[1], bytes)) return "error send expects hex bytes";
    unsent_ += bytes;
    Flush();
    return "ok sent " + std::to_string(bytes.size());
  }
  if (verb == "greeting") {
    const std::size_t text = command.find("greeting") + 8;
    greeting_ = std::string(command.substr(std::min(command.size(), text + 1)));
    return "ok greeting " + greeting_;
  }
  if (verb == "reply") {
    const std::size_t text = command.find("reply") + 5;
    fixed_reply_ = std::string(command.substr(std::min(command.size(), text + 1)));
    return "ok reply " + *fixed_reply_;
  }
  if (verb == "reply-off" && args == 0) {
    fixed_reply_.reset();
    return "ok reply-off";
  }
  if (verb == "queries" && args == 0) return "ok " + std::to_string(query_lines_);
  if (verb == "quit" && args == 0) {
    quit_ = true;
    return "ok bye";
  }
  return "error unknown command: " + std::string(command);
}

}  // namespace velmar::sim

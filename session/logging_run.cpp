#include "session/logging_run.h"

namespace velmar {

void LoggingRun::Begin() {
  points_ = 0;
  startTick_.reset();
}

PollResult LoggingRun::Poll(PollLink& link, uint64_t now) {
  if (!startTick_) startTick_ = now;
  PollResult result;
  result.elapsedMs = static_cast<int64_t>(now - *startTick_);
  result.point = ++points_;
  if (!link.IsOpen() && !link.Reopen()) {
    result.portLost = true;
    return result;
  }
  // A write that failed for good closed the channel: there is no reply to wait a second for.
  if (!link.SendQuery() && !link.IsOpen()) {
    result.portLost = true;
    return result;
  }
  result.reply = link.ReadReply();
  result.portLost = !link.IsOpen();
  return result;
}

std::string PollStatusText(const PollResult& result, std::wstring_view instrument) {
  const std::string elapsed = std::to_string(result.elapsedMs) + "ms: ";
  if (result.portLost) {
    std::string name;
    for (const wchar_t c : instrument) name.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return elapsed + name + " lost, reconnecting...";
  }
  return elapsed + result.reply;
}

}  // namespace velmar

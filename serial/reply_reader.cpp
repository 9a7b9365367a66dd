#include "serial/reply_reader.h"

namespace velmar {

std::string ReadReplyLine(ReplySource& source, uint32_t timeoutMs) {
  constexpr uint32_t kSleepMarginMs = 16;
  std::string reply;
  const uint32_t start = source.TickCount();
  for (;;) {
    char byte = 0;
    const bool got = source.ReadByte(byte);
    if (got && byte == '\r') break;
    if (got && byte != '\n') reply.push_back(byte);
    // Unsigned differences stay right across the 32-bit tick wrap.
    const uint32_t elapsed = source.TickCount() - start;
    if (elapsed >= timeoutMs) break;
    // Sleep only between empty polls: a reply that is streaming in is read at once (a 1 ms
    // sleep can last a whole 15.6 ms tick on Windows). The deadline holds either way, so an
    // endless stream of bytes cannot hold the window.
    if (!got && timeoutMs - elapsed > kSleepMarginMs) source.SleepOneMs();
  }
  return reply;
}

}  // namespace velmar

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
    // After a dropped LF the next byte is read at once; the deadline still holds, so an
    // endless stream of LFs cannot hold the window.
    if (got && byte == '\n') continue;
    if (timeoutMs - elapsed > kSleepMarginMs) source.SleepOneMs();
  }
  return reply;
}

}  // namespace velmar

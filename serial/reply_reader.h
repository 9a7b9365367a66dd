#pragma once
#include <cstdint>
#include <string>

namespace velmar {

// What reading one reply needs: one byte at a time, the millisecond tick and a short sleep.
// Tests hand in a scripted instrument and clock.
class ReplySource {
 public:
  virtual ~ReplySource() = default;
  virtual bool ReadByte(char& byte) = 0;
  virtual uint32_t TickCount() = 0;
  virtual void SleepOneMs() = 0;
};

constexpr uint32_t kReplyTimeoutMs = 1000;

// Reads up to the first CR, dropping LFs anywhere. The deadline is fixed at the start, so a
// reply that runs late is cut there and its rest begins the next reply. Sleeps between empty
// polls only while more than 16 ms remain, so the coarse sleep cannot overshoot the deadline.
std::string ReadReplyLine(ReplySource& source, uint32_t timeoutMs = kReplyTimeoutMs);

}  // namespace velmar

#include "tools/sim/byte_log.h"

namespace velmar::sim {

namespace {

void AppendHex(std::string& out, unsigned char byte) {
  constexpr char kDigits[] = "0123456789abcdef";
  out += kDigits[byte >> 4];
  out += kDigits[byte & 0x0F];
}

}  // namespace

void ByteLog::Add(std::chrono::microseconds since_start, unsigned char byte) {
  entries_.push_back({since_start, byte});
}

std::string ByteLog::Hex() const {
  std::string out;
  out.reserve(entries_.size() * 2);
  for (const Entry& e : entries_) AppendHex(out, e.byte);
  return out;
}

template <typename Unit>
std::string ByteLog::TimedItemsIn() const {
  std::string out;
  for (const Entry& e : entries_) {
    if (!out.empty()) out += ' ';
    out += std::to_string(std::chrono::duration_cast<Unit>(e.at).count());
    out += ':';
    AppendHex(out, e.byte);
  }
  return out;
}

std::string ByteLog::TimedItems() const { return TimedItemsIn<std::chrono::milliseconds>(); }

std::string ByteLog::TimedItemsUs() const { return TimedItemsIn<std::chrono::microseconds>(); }

std::string ByteLog::RecordLine(std::chrono::microseconds since_start, unsigned char byte) {
  std::string line = std::to_string(since_start.count());
  line += ' ';
  AppendHex(line, byte);
  line += '\n';
  return line;
}

}  // namespace velmar::sim

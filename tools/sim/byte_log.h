#pragma once
#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace velmar::sim {

// Every byte the other side sent, with when it arrived, for tests that check framing and pacing.
class ByteLog {
 public:
  void Add(std::chrono::microseconds since_start, unsigned char byte);
  void Clear() { entries_.clear(); }
  std::size_t Size() const { return entries_.size(); }

  // Two lower-case hex digits per byte, no separators.
  std::string Hex() const;
  // "<ms since start>:<hex byte>" items separated by spaces.
  std::string TimedItems() const;
  // The same in microseconds, fine enough to time one exchange.
  std::string TimedItemsUs() const;

  // One line of the record file: "<us since start> <hex byte>".
  static std::string RecordLine(std::chrono::microseconds since_start, unsigned char byte);

 private:
  struct Entry {
    std::chrono::microseconds at;
    unsigned char byte;
  };
  template <typename Unit>
  std::string TimedItemsIn() const;

  std::vector<Entry> entries_;
};

}  // namespace velmar::sim

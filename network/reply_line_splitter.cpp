#include "network/reply_line_splitter.h"

#include <utility>

namespace velmar {

size_t ReplyLineSplitter::Feed(std::string_view bytes) {
  size_t used = 0;
  while (used < bytes.size() && !complete_) {
    const char byte = bytes[used++];
    if (byte == '\r' || byte == '\n') {
      complete_ = !reply_.empty();
      continue;
    }
    reply_.push_back(byte);
    complete_ = reply_.size() >= maxBytes_;
  }
  return used;
}

std::string ReplyLineSplitter::Take() {
  complete_ = false;
  return std::exchange(reply_, {});
}

}  // namespace velmar

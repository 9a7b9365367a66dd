#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace velmar {

// A network instrument's reply from a byte stream that arrives in chunks of any size. A reply
// ends at CR, at LF or at CR LF. An empty line is never a reply: a line end left over from the
// reply before (the LF of a CR LF that came late) or one an instrument sends first is skipped.
// A reply that reaches maxBytes ends there, so a peer that floods costs no more memory.
class ReplyLineSplitter {
 public:
  explicit ReplyLineSplitter(size_t maxBytes) : maxBytes_(maxBytes) {}

  // Takes bytes up to the one that completes a reply; returns how many it took.
  size_t Feed(std::string_view bytes);
  bool Complete() const { return complete_; }
  // The reply, complete or as far as it came, without its line end; the splitter starts afresh.
  std::string Take();

 private:
  size_t maxBytes_;
  std::string reply_;
  bool complete_ = false;
};

}  // namespace velmar

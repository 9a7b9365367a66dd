#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

namespace velmar {

// An open file that can be appended to and cut back.
class AppendTarget {
 public:
  virtual ~AppendTarget() = default;
  virtual std::optional<uint64_t> Size() = 0;
  // False when not every byte was written; some may have been.
  virtual bool Append(std::string_view bytes) = 0;
  virtual bool TruncateTo(uint64_t size) = 0;
};

// Appends the bytes whole or not at all: a write that fails part way is cut back to the length
// the file had before, so a row written again later never follows a fragment of itself.
bool AppendWhole(AppendTarget& target, std::string_view bytes);

// Line ends as a text-mode stream writes them: every LF becomes CR LF.
std::string WithCrLf(std::string_view text);

}  // namespace velmar

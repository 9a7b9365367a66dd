#include "logfile/whole_append.h"

#include <string>

namespace velmar {

bool AppendWhole(AppendTarget& target, std::string_view bytes) {
  const std::optional<uint64_t> before = target.Size();
  if (!before) return false;
  if (target.Append(bytes)) return true;
  target.TruncateTo(*before);
  return false;
}

std::string WithCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (const char c : text) {
    if (c == '\n') out.push_back('\r');
    out.push_back(c);
  }
  return out;
}

}  // namespace velmar

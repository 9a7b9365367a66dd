#pragma once
#include <cstdint>

namespace velmar {

// When a run's log goes on in a new file, so that no file outgrows a spreadsheet.
enum class SplitMode { Never = 0, Daily = 1, Rows = 2 };

inline constexpr uint32_t kMinSplitRows = 10;
inline constexpr uint32_t kMaxSplitRows = 100'000'000;
// What a spreadsheet's 1,048,576 rows hold with room for the preamble.
inline constexpr uint32_t kDefaultSplitRows = 1'000'000;

struct SplitOptions {
  SplitMode mode = SplitMode::Never;
  uint32_t rows = kDefaultSplitRows;

  bool operator==(const SplitOptions&) const = default;
};

}  // namespace velmar

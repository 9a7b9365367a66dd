#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "logfile/log_reader.h"

namespace velmar {

// Up to this many runs are offered in a menu; more go to a list window.
inline constexpr size_t kRunsInMenu = 20;

// What tells a run from the others, also two that started in the same second: its number,
// rows and span. `stamp` is the start stamp as text for the window.
struct RunChoice {
  std::wstring number;  // "3 of 5"
  std::wstring stamp;
  std::wstring rows;    // "1,234 rows"; "first point 51" added for a split run's later file
  std::wstring span;    // "2:03:04"
};

RunChoice DescribeRun(const LogRun& run, size_t index, size_t count, const std::wstring& stamp);
// "Run 3 of 5: started <stamp>, 1,234 rows, 2:03:04"
std::wstring RunMenuText(const RunChoice& choice);

}  // namespace velmar

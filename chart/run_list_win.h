#pragma once
#include <windows.h>

#include <optional>
#include <vector>

#include "chart/run_choice.h"

namespace velmar {

// A list window of a log's runs (number, start stamp, rows, span), newest first and chosen;
// the run picked, or none when the window is cancelled.
std::optional<size_t> PickRunFromList(HWND owner, const std::vector<RunChoice>& runs);

}  // namespace velmar

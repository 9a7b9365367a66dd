#pragma once
#include <string>
#include <string_view>

#include "session/run_types.h"

namespace velmar {

// "<stem>.unsaved-YYYYMMDD-HHMMSS<ext>" beside the log, e.g. run.unsaved-20261207-093015.csv.
std::wstring RecoveryPathBeside(std::wstring_view logPath, const LocalDateTime& now);

// The same name in another folder (which ends with a path separator).
std::wstring RecoveryPathIn(std::wstring_view folder, std::wstring_view logPath, const LocalDateTime& now);

}  // namespace velmar

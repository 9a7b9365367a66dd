#pragma once
#include <string>
#include <string_view>

#include "core/local_time.h"

namespace velmar {

// The path with `suffix` put between the file name's stem and its extension, e.g.
// run.csv + "-2" gives run-2.csv. A leading dot names a hidden file, not an extension.
std::wstring WithStemSuffix(std::wstring_view path, std::wstring_view suffix);

// "<stem>.events.csv" beside the log, whatever the log's extension: run.csv gives
// run.events.csv, run.log gives run.events.csv.
std::wstring EventsPathBeside(std::wstring_view logPath);

// "YYYYMMDD-HHMMSS".
std::wstring FileStamp(const LocalDateTime& time);

// "<stem>.unsaved-YYYYMMDD-HHMMSS<ext>" beside the log, e.g. run.unsaved-20261207-093015.csv.
std::wstring RecoveryPathBeside(std::wstring_view logPath, const LocalDateTime& now);

// The same name in another folder (which ends with a path separator).
std::wstring RecoveryPathIn(std::wstring_view folder, std::wstring_view logPath, const LocalDateTime& now);

// One file of a split run: "<stem>-YYYYMMDD-HHMMSS<ext>", with "-2", "-3" ... (`copy` from 2
// on) when that name is taken.
std::wstring SplitFilePath(std::wstring_view chosenPath, const LocalDateTime& opened, int copy = 1);

}  // namespace velmar

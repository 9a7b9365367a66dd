#pragma once
#include <memory>
#include <string>

#include "chart/log_loader.h"

namespace velmar {

// A log file opened without locking it, so a run still writing to it goes on undisturbed;
// read up to its size at the open. Null when it cannot be opened.
std::unique_ptr<ChunkSource> OpenLogSource(const std::wstring& path);

}  // namespace velmar

#pragma once
#include <optional>
#include <string>

namespace velmar {

// The whole file, read without locking it: a run still writing to it goes on undisturbed.
std::optional<std::string> ReadSharedFile(const std::wstring& path);

}  // namespace velmar

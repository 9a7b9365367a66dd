#pragma once
#include <string>
#include <string_view>

namespace velmar {

// Conversions with the thread's ANSI code page: everything that crosses the serial line or
// goes into the log file is narrow text, everything the dialog and registry hold is UTF-16.
std::string ToAnsi(std::wstring_view text);
std::wstring FromAnsi(std::string_view text);
// What leaves the computer in messages is UTF-8.
std::string ToUtf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view text);

}  // namespace velmar

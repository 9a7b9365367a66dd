#pragma once
#include <algorithm>
#include <string>
#include <string_view>

namespace velmar {

// Switch names and keywords are ASCII; case is ignored only there.
inline wchar_t AsciiLower(wchar_t c) {
  return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

// lower must be lower case already.
inline bool EqualsNoCase(std::wstring_view text, std::wstring_view lower) {
  return std::equal(text.begin(), text.end(), lower.begin(), lower.end(),
                    [](wchar_t a, wchar_t b) { return AsciiLower(a) == b; });
}

// A value as the user gave it, in a message about it.
inline std::wstring Quoted(std::wstring_view text) { return L"\"" + std::wstring(text) + L"\""; }

}  // namespace velmar

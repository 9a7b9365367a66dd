#pragma once
#include <optional>
#include <string>
#include <vector>

namespace velmar {

// A secret encrypted for the current Windows user (CryptProtectData): only that user on this
// computer can read it back. Empty text gives no bytes.
std::vector<unsigned char> ProtectForUser(const std::wstring& text);
// None when the bytes are not this user's secret.
std::optional<std::wstring> UnprotectForUser(const std::vector<unsigned char>& bytes);

}  // namespace velmar

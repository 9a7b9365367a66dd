#pragma once

namespace velmar {

// The registry root the settings live under, below the user's Software key.
inline constexpr wchar_t kRegistryRoot[] = L"Local AppWizard-Generated Applications";

}  // namespace velmar

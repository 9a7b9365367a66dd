#pragma once
#include <string>
#include <vector>

namespace velmar {

// Per-user settings under HKEY_CURRENT_USER\software\<registry root>\<application name>.
// Nothing is cached: every call opens (creating where missing) and closes the key chain down
// to its section. A key that cannot be opened makes a read give its default and a write do
// nothing, silently.
class Profile {
 public:
  Profile(std::wstring registryRoot, std::wstring applicationName);

  int ReadInt(const wchar_t* section, const wchar_t* name, int defaultValue) const;
  // Empty when the value is missing.
  std::wstring ReadText(const wchar_t* section, const wchar_t* name) const;
  // Empty when the value is missing.
  std::vector<unsigned char> ReadBytes(const wchar_t* section, const wchar_t* name) const;
  void WriteInt(const wchar_t* section, const wchar_t* name, int value) const;
  void WriteText(const wchar_t* section, const wchar_t* name, const std::wstring& text) const;
  void WriteBytes(const wchar_t* section, const wchar_t* name, const std::vector<unsigned char>& bytes) const;
  // The names of the section's values, in the registry's order.
  std::vector<std::wstring> ValueNames(const wchar_t* section) const;
  void DeleteValue(const wchar_t* section, const wchar_t* name) const;

 private:
  std::wstring registryRoot_;
  std::wstring applicationName_;
};

}  // namespace velmar

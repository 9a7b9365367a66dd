#include "settings/profile_win.h"

#include <windows.h>

#include <utility>
#include <vector>

#include "framework/unique_handle_win.h"
#include "settings/registry_value.h"

namespace velmar {

namespace {

UniqueRegKey OpenSection(const std::wstring& registryRoot, const std::wstring& applicationName,
                         const wchar_t* section) {
  const wchar_t* const chain[] = {L"software", registryRoot.c_str(), applicationName.c_str(),
                                  section};
  UniqueRegKey key;
  HKEY parent = HKEY_CURRENT_USER;
  for (const wchar_t* name : chain) {
    HKEY child = nullptr;
    if (RegCreateKeyExW(parent, name, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                        nullptr, &child, nullptr) != ERROR_SUCCESS) {
      return {};
    }
    // The parent is no longer needed once its child is open.
    key.Reset(child);
    parent = child;
  }
  return key;
}

}  // namespace

Profile::Profile(std::wstring registryRoot, std::wstring applicationName)
    : registryRoot_(std::move(registryRoot)), applicationName_(std::move(applicationName)) {}

int Profile::ReadInt(const wchar_t* section, const wchar_t* name, int defaultValue) const {
  const UniqueRegKey key = OpenSection(registryRoot_, applicationName_, section);
  if (!key) {
    return defaultValue;
  }
  // Longer data does not fit and fails with ERROR_MORE_DATA, which yields the default.
  unsigned char data[kProfileIntBytes] = {};
  DWORD size = sizeof data;
  if (RegQueryValueExW(key.Get(), name, nullptr, nullptr, data, &size) != ERROR_SUCCESS) {
    return defaultValue;
  }
  return DecodeProfileInt(data, size, defaultValue);
}

std::wstring Profile::ReadText(const wchar_t* section, const wchar_t* name) const {
  const UniqueRegKey key = OpenSection(registryRoot_, applicationName_, section);
  DWORD size = 0;
  if (!key ||
      RegQueryValueExW(key.Get(), name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS ||
      size == 0) {
    return {};
  }
  std::vector<unsigned char> data(size);
  if (RegQueryValueExW(key.Get(), name, nullptr, nullptr, data.data(), &size) != ERROR_SUCCESS) {
    return {};
  }
  return DecodeProfileText(data.data(), size);
}

std::vector<unsigned char> Profile::ReadBytes(const wchar_t* section, const wchar_t* name) const {
  const UniqueRegKey key = OpenSection(registryRoot_, applicationName_, section);
  DWORD size = 0;
  if (!key || RegQueryValueExW(key.Get(), name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return {};
  std::vector<unsigned char> data(size);
  if (size > 0 && RegQueryValueExW(key.Get(), name, nullptr, nullptr, data.data(), &size) != ERROR_SUCCESS) return {};
  data.resize(size);
  return data;
}

void Profile::WriteInt(const wchar_t* section, const wchar_t* name, int value) const {
  const UniqueRegKey key = OpenSection(registryRoot_, applicationName_, section);
  if (!key) {
    return;
  }
  const DWORD data = static_cast<DWORD>(value);
  RegSetValueExW(key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
}

void Profile::WriteText(const wchar_t* section, const wchar_t* name,
                        const std::wstring& text) const {
  const UniqueRegKey key = OpenSection(registryRoot_, applicationName_, section);
  if (!key) {
    return;
  }
  const DWORD size = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
  RegSetValueExW(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), size);
}

void Profile::WriteBytes(const wchar_t* section, const wchar_t* name,
                         const std::vector<unsigned char>& bytes) const {
  const UniqueRegKey key = OpenSection(registryRoot_, applicationName_, section);
  if (!key) {
    return;
  }
  RegSetValueExW(key.Get(), name, 0, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
}

std::vector<std::wstring> Profile::ValueNames(const wchar_t* section) const {
  std::vector<std::wstring> names;
  const UniqueRegKey key = OpenSection(registryRoot_, applicationName_, section);
  if (!key) return names;
  // A value name has at most 16383 characters.
  std::vector<wchar_t> name(16384);
  for (DWORD index = 0;; ++index) {
    DWORD length = static_cast<DWORD>(name.size());
    if (RegEnumValueW(key.Get(), index, name.data(), &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      return names;
    }
    names.emplace_back(name.data(), length);
  }
}

void Profile::DeleteValue(const wchar_t* section, const wchar_t* name) const {
  const UniqueRegKey key = OpenSection(registryRoot_, applicationName_, section);
  if (key) RegDeleteValueW(key.Get(), name);
}

}  // namespace velmar

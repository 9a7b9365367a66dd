#include "settings/registry_value.h"

#include <cstdint>

namespace velmar {

int DecodeProfileInt(const unsigned char* data, std::size_t size, int defaultValue) {
  if (data == nullptr || size == 0 || size > kProfileIntBytes) {
    return defaultValue;
  }
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < size; ++i) {
    value |= std::uint32_t{data[i]} << (8 * i);
  }
  return static_cast<int>(value);
}

std::wstring DecodeProfileText(const unsigned char* data, std::size_t size) {
  std::wstring text;
  if (data == nullptr) {
    return text;
  }
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    const auto unit = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    if (unit == L'\0') {
      break;
    }
    text.push_back(unit);
  }
  return text;
}

}  // namespace velmar

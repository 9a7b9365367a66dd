#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "fuzz/fuzz_check.h"
#include "settings/registry_value.h"

namespace {

constexpr int kDefault = -20240611;

void CheckInt(const unsigned char* data, std::size_t size) {
  const int got = velmar::DecodeProfileInt(data, size, kDefault);
  if (size == 0 || size > 4) {
    FUZZ_CHECK(got == kDefault);
    return;
  }
  uint32_t expected = 0;
  for (std::size_t i = size; i-- > 0;) expected = expected << 8 | data[i];
  FUZZ_CHECK(static_cast<uint32_t>(got) == expected);
}

void CheckText(const unsigned char* data, std::size_t size) {
  const std::wstring text = velmar::DecodeProfileText(data, size);
  FUZZ_CHECK(text.size() <= size / 2);
  for (std::size_t i = 0; i < text.size(); ++i) {
    FUZZ_CHECK(text[i] != L'\0');
    FUZZ_CHECK(static_cast<uint32_t>(text[i]) == (data[2 * i] | uint32_t{data[2 * i + 1]} << 8));
  }
  // The text stops only at a zero unit or where whole units run out.
  if (text.size() < size / 2) {
    FUZZ_CHECK(data[2 * text.size()] == 0 && data[2 * text.size() + 1] == 0);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  // An exactly sized copy puts the end of the data where AddressSanitizer watches.
  const auto copy = std::make_unique<unsigned char[]>(size);
  if (size > 0) std::memcpy(copy.get(), data, size);
  CheckInt(copy.get(), size);
  CheckText(copy.get(), size);

  FUZZ_CHECK(velmar::DecodeProfileInt(nullptr, size, kDefault) == kDefault);
  FUZZ_CHECK(velmar::DecodeProfileText(nullptr, size).empty());
  return 0;
}

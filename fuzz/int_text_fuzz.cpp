#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/decimal_text.h"
#include "fuzz/fuzz_check.h"

namespace {

using velmar::IntTextResult;
using velmar::IntTextStatus;

// ASCII bytes stay themselves so seeds read as text; the rest escape to any wide value,
// including ones that only look like digits once truncated to 16 bits.
std::wstring TextFromBytes(const std::vector<uint8_t>& bytes) {
  std::wstring text;
  std::size_t i = 0;
  while (i < bytes.size()) {
    const uint8_t lead = bytes[i++];
    if (lead < 0x80) {
      text.push_back(static_cast<wchar_t>(lead));
    } else if (lead < 0xFF) {
      uint32_t low = 0;
      for (int k = 0; k < 2 && i < bytes.size(); ++k) low |= uint32_t{bytes[i++]} << (8 * k);
      text.push_back(static_cast<wchar_t>((uint32_t{lead} - 0x80) << 16 | low));
    } else {
      uint32_t bits = 0;
      for (int k = 0; k < 4 && i < bytes.size(); ++k) bits |= uint32_t{bytes[i++]} << (8 * k);
      text.push_back(static_cast<wchar_t>(bits));
    }
  }
  return text;
}

// The same reading rule by other means: leading zeros are dropped and the significant
// digits counted, so no running overflow limit is shared with the code under test.
IntTextResult Reference(std::wstring_view text, int minValue, int maxValue) {
  text = text.substr(0, 63);
  std::size_t pos = text.find_first_not_of(L" \t\n\v\f\r");
  if (pos == std::wstring_view::npos) return {IntTextStatus::NoDigits, 0};
  const bool negative = text[pos] == L'-';
  if (text[pos] == L'-' || text[pos] == L'+') ++pos;
  const std::size_t first = pos;
  while (pos < text.size() && text[pos] >= L'0' && text[pos] <= L'9') ++pos;
  std::wstring_view digits = text.substr(first, pos - first);
  if (digits.empty()) return {IntTextStatus::NoDigits, 0};
  digits.remove_prefix(std::min(digits.find_first_not_of(L'0'), digits.size()));

  const int saturated = negative ? INT_MIN : INT_MAX;
  if (digits.size() > 10) return {IntTextStatus::OutOfRange, saturated};
  long long magnitude = 0;
  for (wchar_t d : digits) magnitude = magnitude * 10 + (d - L'0');
  const long long value = negative ? -magnitude : magnitude;
  if (value < INT_MIN || value > INT_MAX) return {IntTextStatus::OutOfRange, saturated};
  const IntTextStatus status =
      value < minValue || value > maxValue ? IntTextStatus::OutOfRange : IntTextStatus::Ok;
  return {status, static_cast<int>(value)};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  // The bounds come from the end of the input, the text from the rest.
  const int minValue = input.ConsumeIntegral<int>();
  const int maxValue = input.ConsumeIntegral<int>();
  const std::wstring text = TextFromBytes(input.ConsumeRemainingBytes<uint8_t>());

  const IntTextResult got = velmar::ReadBoundedInt(text, minValue, maxValue);
  const IntTextResult want = Reference(text, minValue, maxValue);
  if (got.status == IntTextStatus::Ok) {
    FUZZ_CHECK(minValue <= got.value && got.value <= maxValue);
  }
  FUZZ_CHECK(got.status == want.status);
  if (want.status != IntTextStatus::NoDigits) {
    FUZZ_CHECK(got.value == want.value);
  }
  return 0;
}

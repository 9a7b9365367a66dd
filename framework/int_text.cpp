#include "framework/int_text.h"

#include <cstddef>
#include <cstdint>
#include <limits>

namespace velmar {

namespace {

// The field is read through a 64-character buffer, one unit of which is the terminator.
constexpr std::size_t kReadableChars = 63;

bool IsFormatWhiteSpace(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r';
}

bool IsDigit(wchar_t c) {
  return c >= L'0' && c <= L'9';
}

}  // namespace

IntTextResult ReadBoundedInt(std::wstring_view text, int minValue, int maxValue) {
  const std::wstring_view readable = text.substr(0, kReadableChars);
  std::size_t pos = 0;
  while (pos < readable.size() && IsFormatWhiteSpace(readable[pos])) {
    ++pos;
  }
  bool negative = false;
  if (pos < readable.size() && (readable[pos] == L'+' || readable[pos] == L'-')) {
    negative = readable[pos] == L'-';
    ++pos;
  }
  if (pos == readable.size() || !IsDigit(readable[pos])) {
    return {IntTextStatus::NoDigits, 0};
  }

  // One past INT_MAX is the magnitude of INT_MIN; anything above it cannot fit either way.
  constexpr std::int64_t kMagnitudeLimit = std::int64_t{std::numeric_limits<int>::max()} + 1;
  std::int64_t magnitude = 0;
  bool overflow = false;
  for (; pos < readable.size() && IsDigit(readable[pos]); ++pos) {
    magnitude = magnitude * 10 + (readable[pos] - L'0');
    if (magnitude > kMagnitudeLimit) {
      overflow = true;
      magnitude = kMagnitudeLimit;
    }
  }
  const std::int64_t signedValue = negative ? -magnitude : magnitude;
  if (overflow || signedValue > std::numeric_limits<int>::max()) {
    return {IntTextStatus::OutOfRange,
            negative ? std::numeric_limits<int>::min() : std::numeric_limits<int>::max()};
  }
  const int value = static_cast<int>(signedValue);
  if (value < minValue || value > maxValue) {
    return {IntTextStatus::OutOfRange, value};
  }
  return {IntTextStatus::Ok, value};
}

std::wstring RejectionMessage(IntTextStatus status, int minValue, int maxValue) {
  switch (status) {
    case IntTextStatus::NoDigits:
      return L"Enter an integer.";
    case IntTextStatus::OutOfRange:
      return L"Enter an integer between " + std::to_wstring(minValue) + L" and " + std::to_wstring(maxValue) + L".";
    case IntTextStatus::Ok:
      break;
  }
  return {};
}

}  // namespace velmar

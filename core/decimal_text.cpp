#include "core/decimal_text.h"

#include <limits>

namespace velmar {

namespace {

// The field is read through a 64-character buffer, one unit of which is the terminator.
constexpr std::size_t kReadableChars = 63;
constexpr uint64_t kIntMax = std::numeric_limits<int>::max();

bool IsFormatWhiteSpace(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r';
}

}  // namespace

IntTextResult ReadBoundedInt(std::wstring_view text, int minValue, int maxValue) {
  std::wstring_view readable = text.substr(0, kReadableChars);
  while (!readable.empty() && IsFormatWhiteSpace(readable.front())) readable.remove_prefix(1);
  bool negative = false;
  if (!readable.empty() && (readable.front() == L'+' || readable.front() == L'-')) {
    negative = readable.front() == L'-';
    readable.remove_prefix(1);
  }
  // One past INT_MAX is the magnitude of INT_MIN; anything above it cannot fit either way.
  const DigitRun digits = ReadDigitRun(readable, kIntMax + 2);
  if (digits.length == 0) return {IntTextStatus::NoDigits, 0};
  const int64_t signedValue = negative ? -static_cast<int64_t>(digits.value) : static_cast<int64_t>(digits.value);
  if (signedValue > std::numeric_limits<int>::max() || signedValue < std::numeric_limits<int>::min()) {
    return {IntTextStatus::OutOfRange, negative ? std::numeric_limits<int>::min() : std::numeric_limits<int>::max()};
  }
  const int value = static_cast<int>(signedValue);
  if (value < minValue || value > maxValue) return {IntTextStatus::OutOfRange, value};
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

int LeadingDecimal(std::wstring_view text) { return static_cast<int>(ReadDigitRun(text, kIntMax).value); }

std::optional<int> AllDigits(std::wstring_view text) {
  const DigitRun digits = ReadDigitRun(text, kIntMax);
  if (digits.length == 0 || digits.length != text.size()) return std::nullopt;
  return static_cast<int>(digits.value);
}

std::optional<int64_t> TakeSignedDecimal(std::string_view& text) {
  const bool negative = !text.empty() && text.front() == '-';
  const std::string_view digitsText = text.substr(negative ? 1 : 0);
  constexpr uint64_t kMagnitudeLimit = uint64_t{std::numeric_limits<int64_t>::max()} + 1;
  const DigitRun digits = ReadDigitRun(digitsText, kMagnitudeLimit);
  if (digits.length == 0 || digits.saturated || (!negative && digits.value == kMagnitudeLimit)) return std::nullopt;
  text.remove_prefix(digits.length + (negative ? 1 : 0));
  if (negative) return digits.value == kMagnitudeLimit ? std::numeric_limits<int64_t>::min()
                                                        : -static_cast<int64_t>(digits.value);
  return static_cast<int64_t>(digits.value);
}

}  // namespace velmar

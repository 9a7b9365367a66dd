#include "settings/baud_table.h"

#include <array>
#include <limits>

namespace velmar {

namespace {

constexpr int kUnlistedRateIndex = 2;

}  // namespace

int BaudListIndexForRate(int rate) {
  for (std::size_t i = 0; i < kListedBaudRates.size(); ++i) {
    if (kListedBaudRates[i] == rate) {
      return static_cast<int>(i);
    }
  }
  return kUnlistedRateIndex;
}

int LeadingDecimal(std::wstring_view text) {
  constexpr int kMax = std::numeric_limits<int>::max();
  int value = 0;
  for (const wchar_t c : text) {
    if (c < L'0' || c > L'9') {
      break;
    }
    const int digit = c - L'0';
    if (value > (kMax - digit) / 10) {
      return kMax;
    }
    value = value * 10 + digit;
  }
  return value;
}

}  // namespace velmar

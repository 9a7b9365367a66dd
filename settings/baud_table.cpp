#include "settings/baud_table.h"

#include <array>
#include <limits>

namespace velmar {

namespace {

constexpr std::array kListedRates{1200, 2400, 9600, 19200, 38400, 57600, 115200};
constexpr int kUnlistedRateIndex = 2;

}  // namespace

int BaudListIndexForRate(int rate) {
  for (std::size_t i = 0; i < kListedRates.size(); ++i) {
    if (kListedRates[i] == rate) {
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

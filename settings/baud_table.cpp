#include "settings/baud_table.h"

#include <array>

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

}  // namespace velmar

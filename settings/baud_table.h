#pragma once
#include <array>
#include <string_view>

namespace velmar {

// The rates the baud-rate list offers, in its order.
inline constexpr std::array<int, 7> kListedBaudRates{1200, 2400, 9600, 19200, 38400, 57600, 115200};

// Entry of the baud-rate list ("1200" ... "115200") that shows a stored rate; a rate the list
// does not offer shows "9600".
int BaudListIndexForRate(int rate);

}  // namespace velmar

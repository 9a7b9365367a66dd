#pragma once
#include <cstdint>

namespace velmar {

// The fixed line: 8 data bits, no parity, one stop bit, no flow control, DTR held off and
// RTS held on; every other field keeps what the port already had. A template over the DCB
// type so the rule is checked natively against a stand-in with the same fields.
template <class Dcb>
void ApplyLineSettings(Dcb& dcb, uint32_t baudRate) {
  constexpr unsigned kDtrControlDisable = 0;
  constexpr unsigned kRtsControlEnable = 1;
  constexpr unsigned char kNoParity = 0;
  constexpr unsigned char kOneStopBit = 0;
  dcb.BaudRate = baudRate;
  dcb.ByteSize = 8;
  dcb.Parity = kNoParity;
  dcb.StopBits = kOneStopBit;
  dcb.fOutxCtsFlow = 0;
  dcb.fOutxDsrFlow = 0;
  dcb.fDtrControl = kDtrControlDisable;
  dcb.fRtsControl = kRtsControlEnable;
  dcb.fOutX = 0;
  dcb.fInX = 0;
}

}  // namespace velmar

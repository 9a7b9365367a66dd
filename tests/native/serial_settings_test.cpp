#include <gtest/gtest.h>

#include "serial/line_settings.h"
#include "serial/port_path.h"

namespace {

// The fields of the Windows DCB that the line settings touch, plus some they must not.
struct FakeDcb {
  unsigned long BaudRate = 0;
  unsigned fBinary : 1 = 1;
  unsigned fParity : 1 = 1;
  unsigned fOutxCtsFlow : 1 = 1;
  unsigned fOutxDsrFlow : 1 = 1;
  unsigned fDtrControl : 2 = 2;
  unsigned fDsrSensitivity : 1 = 1;
  unsigned fOutX : 1 = 1;
  unsigned fInX : 1 = 1;
  unsigned fRtsControl : 2 = 2;
  unsigned fAbortOnError : 1 = 1;
  unsigned short XonLim = 7;
  unsigned char ByteSize = 7;
  unsigned char Parity = 2;
  unsigned char StopBits = 2;
};

TEST(LineSettings, AreEightNoneOneWithoutFlowControlDtrOffRtsOn) {
  FakeDcb dcb;
  velmar::ApplyLineSettings(dcb, 115200);
  EXPECT_EQ(dcb.BaudRate, 115200u);
  EXPECT_EQ(dcb.ByteSize, 8);
  EXPECT_EQ(dcb.Parity, 0);
  EXPECT_EQ(dcb.StopBits, 0);
  EXPECT_EQ(dcb.fOutxCtsFlow, 0u);
  EXPECT_EQ(dcb.fOutxDsrFlow, 0u);
  EXPECT_EQ(dcb.fDtrControl, 0u);
  EXPECT_EQ(dcb.fRtsControl, 1u);
  EXPECT_EQ(dcb.fOutX, 0u);
  EXPECT_EQ(dcb.fInX, 0u);
  // What the port already had stays.
  EXPECT_EQ(dcb.fBinary, 1u);
  EXPECT_EQ(dcb.fParity, 1u);
  EXPECT_EQ(dcb.fDsrSensitivity, 1u);
  EXPECT_EQ(dcb.fAbortOnError, 1u);
  EXPECT_EQ(dcb.XonLim, 7);
}

TEST(PortPath, NamesTheDeviceWithThePrefixThatAllowsTwoDigitPorts) {
  EXPECT_EQ(velmar::ComDevicePath(1), L"\\\\.\\COM1");
  EXPECT_EQ(velmar::ComDevicePath(255), L"\\\\.\\COM255");
}

TEST(PortPath, TakesTheNumberAfterTheFirstCom) {
  EXPECT_EQ(velmar::PortNumberFromPath(L"\\\\.\\COM12"), 12);
  EXPECT_EQ(velmar::PortNumberFromPath(L"COM3"), 3);
  EXPECT_EQ(velmar::PortNumberFromPath(L"\\\\.\\COM7x9"), 7);
  EXPECT_EQ(velmar::PortNumberFromPath(L"COMx"), 0);
  EXPECT_EQ(velmar::PortNumberFromPath(L"\\\\.\\com5"), -1);
  EXPECT_EQ(velmar::PortNumberFromPath(L"/dev/ttyUSB0"), -1);
  EXPECT_EQ(velmar::PortNumberFromPath(L"COM99999999999"), -1);
}

}  // namespace

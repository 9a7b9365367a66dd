#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "serial/query_exchange_win.h"
#include "serial/serial_port_win.h"
#include "tests/support/simulator_win.h"
#include "tools/driver/dialog_driver_win.h"

namespace {

using std::chrono::steady_clock;
using velmar::driver::Millis;

constexpr int kPort = 12;
constexpr char kCombo[] = "las:ldi?;ldv?;mdi?;out?;eve?;cond?;tec:ite?;v?;t?;r?;out?;eve?;cond?;err?";

class SerialPortTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(sim.Start(kPort)); }

  bool WaitReceived(size_t count) {
    return velmar::driver::WaitFor([&] { return sim.Received().size() >= count; }, Millis(5000));
  }

  velmar::test::Simulator sim;
  CSerialPort port;
};

TEST_F(SerialPortTest, OpenSetsTheLineAndASecondOpenKeepsTheFirstRate) {
  ASSERT_TRUE(port.Open(kPort, 9600));
  EXPECT_TRUE(port.IsOpen());
  EXPECT_EQ(port.PortNumber(), kPort);
  EXPECT_EQ(sim.Command("termios"), "speed=9600 csize=8 parenb=0 cstopb=0 crtscts=0 ixon=0 ixoff=0 raw=1");

  EXPECT_TRUE(port.Open(kPort, 19200));
  EXPECT_EQ(sim.Command("termios").substr(0, 10), "speed=9600");
  EXPECT_TRUE(port.Close());
  ASSERT_TRUE(port.Open(kPort, 115200));
  EXPECT_EQ(sim.Command("termios").substr(0, 12), "speed=115200");
}

TEST_F(SerialPortTest, AutoAndAbsentPortsFailAndLeaveTheChannelClosed) {
  EXPECT_FALSE(port.Open(0, 9600));
  EXPECT_FALSE(port.IsOpen());
  EXPECT_FALSE(port.Open(99, 9600));
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(port.Write("x", 1), 0u);
  BYTE byte = 0;
  EXPECT_EQ(port.Read(&byte), 0u);
}

TEST_F(SerialPortTest, ClosingAClosedChannelReturnsTrue) {
  EXPECT_TRUE(port.Close());
  ASSERT_TRUE(port.Open(kPort, 9600));
  EXPECT_TRUE(port.Close());
  EXPECT_TRUE(port.Close());
  EXPECT_FALSE(port.IsOpen());
}

TEST_F(SerialPortTest, TheQueryIsTheCommandAndOneLineFeedExactly) {
  ASSERT_TRUE(port.Open(kPort, 38400));
  const std::wstring command(kCombo, kCombo + sizeof(kCombo) - 1);
  EXPECT_EQ(velmar::SendQuery(port, command), sizeof(kCombo));
  ASSERT_TRUE(WaitReceived(sizeof(kCombo)));
  EXPECT_EQ(sim.Received(), std::string(kCombo) + "\n");

  const std::string reply = velmar::ReadReply(port);
  EXPECT_EQ(std::count(reply.begin(), reply.end(), ','), 13) << reply;
  EXPECT_EQ(reply.find_first_of("\r\n"), std::string::npos);
}

TEST_F(SerialPortTest, AllByteValuesPassBothWays) {
  ASSERT_TRUE(port.Open(kPort, 115200));
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(port.Write(all.data(), 256), 256u);
  ASSERT_TRUE(WaitReceived(256));
  EXPECT_EQ(sim.Received(), all);

  std::string hex;
  for (int b = 0; b < 256; ++b) hex += "0123456789abcdef"[b / 16], hex += "0123456789abcdef"[b % 16];
  ASSERT_TRUE(sim.Ok("send " + hex));
  std::string back;
  velmar::driver::WaitFor(
      [&] {
        BYTE byte = 0;
        while (port.Read(&byte) == 1) back.push_back(static_cast<char>(byte));
        return back.size() >= 256;
      },
      Millis(5000));
  EXPECT_EQ(back, all);
}

TEST_F(SerialPortTest, SilenceGivesAnEmptyReplyAfterAboutOneSecond) {
  ASSERT_TRUE(sim.Ok("mode silent"));
  ASSERT_TRUE(port.Open(kPort, 9600));
  velmar::SendQuery(port, L"err?");
  const auto start = steady_clock::now();
  EXPECT_EQ(velmar::ReadReply(port), "");
  const auto took = std::chrono::duration_cast<Millis>(steady_clock::now() - start);
  EXPECT_GE(took.count(), 980);
  EXPECT_LT(took.count(), 1500);
}

TEST_F(SerialPortTest, AfterUnplugAFailedWriteClosesTheChannelAndPollsDoNotHang) {
  ASSERT_TRUE(port.Open(kPort, 9600));
  ASSERT_TRUE(sim.Ok("unplug"));
  const auto start = steady_clock::now();
  EXPECT_LT(velmar::SendQuery(port, L"err?"), 5u);
  EXPECT_FALSE(port.IsOpen());
  EXPECT_TRUE(port.Lost());
  EXPECT_EQ(velmar::ReadReply(port), "");
  EXPECT_LT(std::chrono::duration_cast<Millis>(steady_clock::now() - start).count(), 3000);
  EXPECT_FALSE(port.Open(kPort, 9600));

  ASSERT_TRUE(sim.Ok("replug"));
  ASSERT_TRUE(port.Open(kPort, 9600));
  EXPECT_FALSE(port.Lost());
  velmar::SendQuery(port, L"err?");
  EXPECT_EQ(velmar::ReadReply(port), "0");
}

}  // namespace

#include "publish/mqtt_publisher_win.h"

#include <winsock2.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "tests/support/mqtt_broker_win.h"
#include "tests/support/mqtt_subscriber_win.h"
#include "tools/driver/dialog_driver_win.h"

namespace velmar {
namespace {

using test::Broker;
using test::Subscriber;
using Millis = std::chrono::milliseconds;

PublisherSettings SettingsFor(int port, const std::string& prefix) {
  return {"127.0.0.1", port, prefix, "velmar-publisher-test-" + std::to_string(GetTickCount64()), "", ""};
}

LoggedRow RowNumber(int point) { return {point, point * 100LL, {2026, 12, 7, 18, 0, 0, 0}, "25.0," + std::to_string(point)}; }

TEST(MqttPublisherTest, RowsQueuedWhileTheBrokerIsAwayArriveInOrderOnceItComes) {
  Broker broker;
  ASSERT_TRUE(broker.Start());
  ASSERT_TRUE(broker.Stop());
  MqttPublisher publisher(SettingsFor(broker.Port(), "queued"), RunState::Running, nullptr);
  publisher.OnRunStarted({L"q", L"T,N", {}});
  constexpr int kRows = 500;
  for (int point = 1; point <= kRows; ++point) publisher.OnRow(RowNumber(point));
  EXPECT_EQ(publisher.Stats().queued, static_cast<size_t>(kRows));

  ASSERT_TRUE(broker.Start());
  Subscriber subscriber(broker.Port(), "queued/#");
  ASSERT_TRUE(subscriber.WaitSubscribed(Millis(10000)));
  // The back-off reaches the broker within its first few seconds.
  ASSERT_TRUE(driver::WaitFor([&] { return subscriber.Payloads("queued/row").size() >= kRows; }, Millis(20000)));
  const std::vector<std::string> rows = subscriber.Payloads("queued/row");
  ASSERT_EQ(rows.size(), static_cast<size_t>(kRows));
  for (int i = 0; i < kRows; ++i) ASSERT_EQ(test::PointOf(rows[i]), i + 1) << rows[i];
  EXPECT_EQ(rows[0].find("\"values\":{\"T\":25.0,\"N\":1.0}"), rows[0].find("\"values\""));
  EXPECT_EQ(subscriber.Payloads("queued/status"), std::vector<std::string>{"running"});

  publisher.Stop(kPublisherExitBound);
  ASSERT_TRUE(driver::WaitFor([&] { return subscriber.Payloads("queued/status").size() == 2; }, Millis(5000)));
  EXPECT_EQ(subscriber.Payloads("queued/status").back(), "offline");
}

TEST(MqttPublisherTest, StopWaitsForAcknowledgementsOnlyWithinItsBound) {
  Broker broker;
  ASSERT_TRUE(broker.Start());
  MqttPublisher publisher(SettingsFor(broker.Port(), "frozen"), RunState::Running, nullptr);
  ASSERT_TRUE(driver::WaitFor([&] { return publisher.Stats().connected; }, Millis(10000)));
  ASSERT_TRUE(broker.Freeze(true));
  publisher.OnRow(RowNumber(1));
  ASSERT_TRUE(driver::WaitFor([&] { return publisher.Stats().inFlight >= 1; }, Millis(5000)));
  const auto before = std::chrono::steady_clock::now();
  publisher.Stop(kPublisherExitBound);
  const auto took = std::chrono::steady_clock::now() - before;
  EXPECT_GE(took, kPublisherExitBound - Millis(500));
  EXPECT_LE(took, kPublisherExitBound + Millis(500));
}

TEST(MqttPublisherTest, StopDoesNotWaitForAConnectThatHangs) {
  // A listener that completes the handshake and never reads: the connect is accepted by the
  // system and the CONNACK never comes.
  WSADATA sockets;
  ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &sockets), 0);
  SOCKET silent = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int size = sizeof(address);
  ASSERT_EQ(bind(silent, reinterpret_cast<sockaddr*>(&address), size), 0);
  ASSERT_EQ(listen(silent, 4), 0);
  ASSERT_EQ(getsockname(silent, reinterpret_cast<sockaddr*>(&address), &size), 0);
  {
    MqttPublisher publisher(SettingsFor(ntohs(address.sin_port), "silent"), RunState::Running, nullptr);
    publisher.OnRow(RowNumber(1));
    ASSERT_TRUE(driver::WaitFor([&] { return publisher.Stats().queued == 1; }, Millis(1000)));
    const auto before = std::chrono::steady_clock::now();
    publisher.Stop(kPublisherExitBound);
    EXPECT_LE(std::chrono::steady_clock::now() - before, kPublisherExitBound + Millis(500));
  }
  closesocket(silent);
  WSACleanup();
}

}  // namespace
}  // namespace velmar

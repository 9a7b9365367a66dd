#include "publish/mqtt_publisher_win.h"

#include <winsock2.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <set>
#include <string>

#include "publish/run_publishing_win.h"
#include "tests/support/mqtt_broker_win.h"
#include "tests/support/mqtt_scripted_broker_win.h"
#include "tests/support/mqtt_subscriber_win.h"
#include "tools/driver/dialog_driver_win.h"

namespace velmar {
namespace {

using test::Broker;
using test::ScriptedBroker;
using test::SilentListener;
using test::Subscriber;
using Millis = std::chrono::milliseconds;

PublisherSettings SettingsFor(int port, const std::string& prefix) {
  return {"127.0.0.1", port, prefix, "velmar-publisher-test-" + std::to_string(GetTickCount64()), "", "", {}};
}

// A byte above 0x7F ends each reply.
LoggedRow RowNumber(int point) {
  return {point, point * 100LL, {2026, 12, 7, 18, 0, 0, 0}, "25.0," + std::to_string(point) + ",\xB0"};
}

// The text as this process's ANSI code page reads it, in UTF-8.
std::string AnsiAsUtf8(const std::string& ansi) {
  wchar_t wide[16] = {};
  const int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide, 16);
  char utf8[64] = {};
  return std::string(utf8, static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, wide, length, utf8, 64, nullptr, nullptr)));
}

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
  // Converted from the ANSI code page: the byte arrives as its character, not U+FFFD.
  EXPECT_NE(rows[0].find("\"reply\":\"25.0,1," + AnsiAsUtf8("\xB0") + "\""), std::string::npos) << rows[0];
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
  const SilentListener silent;
  ASSERT_NE(silent.Port(), 0);
  {
    MqttPublisher publisher(SettingsFor(silent.Port(), "silent"), RunState::Running, nullptr);
    publisher.OnRow(RowNumber(1));
    ASSERT_TRUE(driver::WaitFor([&] { return publisher.Stats().queued == 1; }, Millis(1000)));
    const auto before = std::chrono::steady_clock::now();
    publisher.Stop(kPublisherExitBound);
    EXPECT_LE(std::chrono::steady_clock::now() - before, kPublisherExitBound + Millis(500));
  }
}

// The test process's CPU time, all threads.
double ProcessCpuSeconds() {
  FILETIME created, ended, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
  const auto seconds = [](const FILETIME& time) {
    return double((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

TEST(MqttPublisherTest, WhatTheLibraryRefusesIsCountedToldOnceAndLeavesTheThreadIdle) {
  Broker broker;
  ASSERT_TRUE(broker.Start());
  std::atomic<int> told{0};
  // A TAB, as a prefix stored by hand might hold: the will and every message are refused.
  MqttPublisher publisher(SettingsFor(broker.Port(), "lab\tbench"), RunState::Running, [&] { ++told; });
  ASSERT_TRUE(driver::WaitFor([&] { return publisher.Stats().connected && publisher.Stats().refused >= 1; },
                              Millis(10000)));
  publisher.OnRunStarted({L"q", L"T,N", {}});
  for (int point = 1; point <= 20; ++point) publisher.OnRow(RowNumber(point));
  ASSERT_TRUE(driver::WaitFor([&] { return publisher.Stats().refused >= 21; }, Millis(5000)));
  // Between batches the thread waits: a spin would take a core.
  const double cpuBefore = ProcessCpuSeconds();
  const auto before = std::chrono::steady_clock::now();
  Sleep(2000);
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - before).count();
  const double cpu = ProcessCpuSeconds() - cpuBefore;
  std::printf("CPU while refused: %.3f s in %.2f s\n", cpu, wall);
  EXPECT_LT(cpu, 0.1 * wall);

  // The status once, and each row.
  const PublisherStats stats = publisher.Stats();
  EXPECT_EQ(stats.refused, 21u);
  EXPECT_EQ(stats.queued + stats.inFlight + stats.acknowledged, 0u);
  EXPECT_EQ(told, 2);
  const PublisherNews news = publisher.TakeNews();
  ASSERT_EQ(news.refusals.size(), 2u);
  EXPECT_TRUE(news.refusals[0].will);
  EXPECT_EQ(news.refusals[0].topic, "lab\tbench/status");
  EXPECT_EQ(news.refusals[0].reason, "Malformed UTF-8");
  EXPECT_FALSE(news.refusals[1].will);
  EXPECT_TRUE(publisher.TakeNews().refusals.empty());
}

TEST(MqttPublisherTest, AFullQueueDropsTheOldestAndTellsEachOutageOnce) {
  Broker broker;
  ASSERT_TRUE(broker.Start());
  // A session the broker keeps while it is down: no row can pass before the subscription.
  Subscriber subscriber(broker.Port(), "full/row", "velmar-full-" + std::to_string(GetTickCount64()));
  ASSERT_TRUE(subscriber.WaitSubscribed(Millis(10000)));
  ASSERT_TRUE(broker.Stop());
  std::atomic<int> told{0};
  RunPublishing publishing([&] { ++told; }, QueueBounds{100, 1u << 20});
  publishing.RunStarting({L"127.0.0.1", broker.Port(), L"full", L"", L""}, {}, L"COM12", RunState::Running);
  publishing.OnRunStarted({L"q", L"T,N", {}});
  for (int point = 1; point <= 150; ++point) publishing.OnRow(RowNumber(point));

  ASSERT_TRUE(broker.Start());
  // Told once the waiting rows are out.
  ASSERT_TRUE(driver::WaitFor([&] { return told > 0; }, Millis(20000)));
  EXPECT_EQ(publishing.TakeNews().lines, std::vector<std::wstring>{L"50 rows not published: the queue was full"});
  ASSERT_TRUE(driver::WaitFor([&] { return subscriber.Payloads("full/row").size() >= 100; }, Millis(10000)));
  const std::vector<std::string> rows = subscriber.Payloads("full/row");
  ASSERT_EQ(rows.size(), 100u);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(test::PointOf(rows[i]), 51 + i) << rows[i];
  EXPECT_TRUE(publishing.TakeNews(true).lines.empty());
  EXPECT_EQ(publishing.RunLosses(), L"50 rows not published: the queue was full");
}

TEST(MqttPublisherTest, AMessageWhoseWriteFailedStaysInFlightUntilAcknowledged) {
  ScriptedBroker broker;
  MqttPublisher publisher(SettingsFor(broker.Port(), "reset"), RunState::Running, nullptr);
  ASSERT_TRUE(driver::WaitFor([&] { return publisher.Stats().acknowledged == 1; }, Millis(10000)));
  broker.Acknowledge([](const std::string& topic) { return topic == "reset/status"; });
  // Reset while the thread waits for its next batch: the rows' writes fail, and the library
  // keeps them to send again after the reconnect.
  broker.Reset();
  publisher.OnRunStarted({L"q", L"T,N", {}});
  for (int point = 1; point <= 10; ++point) publisher.OnRow(RowNumber(point));
  const auto rowsOnSecond = [&] {
    std::set<int> ids;
    for (const ScriptedBroker::Received& publish : broker.Publishes()) {
      if (publish.connection == 2 && publish.topic == "reset/row") ids.insert(publish.id);
    }
    return ids.size();
  };
  ASSERT_TRUE(driver::WaitFor([&] { return rowsOnSecond() == 10 && publisher.Stats().acknowledged == 2; },
                              Millis(10000)));
  // In flight, so in the window of 100, until acknowledged.
  EXPECT_EQ(publisher.Stats().inFlight, 10u);
  // Unacknowledged at the exit: no clean disconnect, which would take the will back.
  publisher.Stop(kPublisherExitBound);
  EXPECT_FALSE(broker.DisconnectedCleanly());
}

TEST(MqttPublisherTest, TheLastStateIsSaidBeforeOfflineWhenTheStopComesWithIt) {
  Broker broker;
  ASSERT_TRUE(broker.Start());
  Subscriber subscriber(broker.Port(), "last/status");
  ASSERT_TRUE(subscriber.WaitSubscribed(Millis(10000)));
  MqttPublisher publisher(SettingsFor(broker.Port(), "last"), RunState::Running, nullptr);
  ASSERT_TRUE(driver::WaitFor([&] { return publisher.Stats().acknowledged == 1; }, Millis(10000)));
  publisher.SetState(RunState::Stopped);
  publisher.Stop(kPublisherExitBound);
  ASSERT_TRUE(driver::WaitFor([&] { return subscriber.Payloads("last/status").size() >= 3; }, Millis(5000)));
  EXPECT_EQ(subscriber.Payloads("last/status"), (std::vector<std::string>{"running", "stopped", "offline"}));
}

TEST(MqttPublisherTest, TheStateIsSaidAgainToABrokerThatRestartedWithoutPersistence) {
  Broker broker(false);
  ASSERT_TRUE(broker.Start());
  MqttPublisher publisher(SettingsFor(broker.Port(), "forgot"), RunState::Running, nullptr);
  ASSERT_TRUE(driver::WaitFor([&] { return publisher.Stats().acknowledged == 1; }, Millis(10000)));
  ASSERT_TRUE(broker.Stop());
  ASSERT_TRUE(driver::WaitFor([&] { return !publisher.Stats().connected; }, Millis(10000)));
  ASSERT_TRUE(broker.Start());
  ASSERT_TRUE(driver::WaitFor([&] { return publisher.Stats().acknowledged == 2; }, Millis(20000)));
  // A subscriber that comes now reads the retained state.
  Subscriber late(broker.Port(), "forgot/status");
  EXPECT_TRUE(late.WaitMessages([](const auto& messages) { return !messages.empty(); }, Millis(5000)));
  ASSERT_EQ(late.Messages().size(), 1u);
  EXPECT_EQ(late.Messages()[0].payload, "running");
  EXPECT_TRUE(late.Messages()[0].retained);
}

TEST(MqttPublisherTest, AReplacedPublisherDrainsItsRowsBeforeTheNextTakesTheClientId) {
  Broker broker;
  ASSERT_TRUE(broker.Start());
  Subscriber subscriber(broker.Port(), "swap/#");
  ASSERT_TRUE(subscriber.WaitSubscribed(Millis(10000)));
  RunPublishing publishing(nullptr);
  const BrokerOptions first{L"127.0.0.1", broker.Port(), L"swap/first", L"", L""};
  publishing.RunStarting(first, {}, L"COM12", RunState::Running);
  publishing.OnRunStarted({L"q", L"T,N", {}});
  ASSERT_TRUE(driver::WaitFor([&] { return !subscriber.Payloads("swap/first/status").empty(); }, Millis(10000)));
  constexpr int kRows = 300;
  for (int point = 1; point <= kRows; ++point) publishing.OnRow(RowNumber(point));
  publishing.SetState(RunState::Stopped);
  // The next run's options differ: another publisher, under the process's client id.
  BrokerOptions second = first;
  second.topicPrefix = L"swap/second";
  publishing.RunStarting(second, {}, L"COM12", RunState::Running);
  ASSERT_TRUE(driver::WaitFor([&] { return !subscriber.Payloads("swap/second/status").empty(); }, Millis(10000)));
  EXPECT_TRUE(driver::WaitFor([&] { return subscriber.Payloads("swap/first/row").size() >= kRows; }, Millis(5000)));
  std::set<int> points;
  for (const std::string& row : subscriber.Payloads("swap/first/row")) points.insert(test::PointOf(row));
  EXPECT_EQ(points.size(), static_cast<size_t>(kRows));
  EXPECT_EQ(subscriber.Payloads("swap/first/status"), (std::vector<std::string>{"running", "stopped", "offline"}));
}

}  // namespace
}  // namespace velmar

// Not a test: how fast the publisher empties a full queue once the broker comes back.
// Usage: mqtt_drain_bench PORT [ROWS]. With no broker on 127.0.0.1:PORT, it queues ROWS rows
// (100,000) of the Combo preset's reply, prints "queued", and waits for a line on its input,
// which the harness sends once it has started the broker; then it prints the rows per second
// from the connection (the back-off decides when that comes) until the broker has acknowledged
// the last row.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>
#include <thread>

#include "publish/mqtt_publisher_win.h"

namespace {

constexpr wchar_t kComboTitles[] =
    L"Laser Current,Laser Voltage,Laser Photodiode,Laser Output,Laser Event,Laser Condition,"
    L"TEC Current,TEC Voltage,TEC Sensor T,TEC Sensor R,TEC Output,TEC Event,TEC Condition,Errors";
constexpr char kComboReply[] = "150.065,1.8213,0.512,1,0,0,0.731,1.233,25.003,10.012,1,0,0,0";

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: mqtt_drain_bench PORT [ROWS]\n");
    return 2;
  }
  const int port = std::atoi(argv[1]);
  const int rows = argc > 2 ? std::atoi(argv[2]) : 100'000;
  velmar::MqttPublisher publisher({"127.0.0.1", port, "velmar-bench", "velmar-bench-drain", "", "", {}},
                                  velmar::RunState::Running, nullptr);
  publisher.OnRunStarted({L"bench", kComboTitles, {2026, 12, 7, 18, 0, 0, 0}});
  for (int point = 1; point <= rows; ++point) {
    publisher.OnRow({point, point * 100LL, velmar::AddMilliseconds({2026, 12, 7, 18, 0, 0, 0}, point * 100LL),
                     kComboReply});
  }
  const velmar::PublisherStats queued = publisher.Stats();
  std::printf("queued %zu dropped %zu\n", queued.queued, queued.dropped);
  std::fflush(stdout);
  std::string line;
  std::getline(std::cin, line);

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(5);
  velmar::PublisherStats now = publisher.Stats();
  while (!now.connected && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    now = publisher.Stats();
  }
  const auto start = std::chrono::steady_clock::now();
  while ((now.queued > 0 || now.inFlight > 0) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    now = publisher.Stats();
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  // Acknowledged includes the status said on connecting.
  const size_t published = now.acknowledged > 0 ? now.acknowledged - 1 : 0;
  std::printf("drained %zu rows in %.2f s: %.0f rows/s\n", published, seconds, published / seconds);
  return now.queued == 0 && now.inFlight == 0 ? 0 : 1;
}

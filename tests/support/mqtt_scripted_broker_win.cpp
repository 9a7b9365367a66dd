#include "tests/support/mqtt_scripted_broker_win.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "tests/support/simulator_win.h"

namespace velmar::test {

struct ScriptedBroker::State {
  mutable std::mutex lock;
  std::condition_variable changed;
  Acknowledges acknowledges = [](const std::string&) { return true; };
  std::vector<Received> publishes;
  int connections = 0;
  bool disconnected = false;
  bool resetAsked = false;
  std::atomic<bool> stop{false};
};

namespace {

constexpr uint8_t kConnect = 1, kPublish = 3, kPingRequest = 12, kDisconnect = 14;

void SendBytes(SOCKET socket, std::initializer_list<uint8_t> bytes) {
  const std::string data(bytes.begin(), bytes.end());
  send(socket, data.data(), static_cast<int>(data.size()), 0);
}

// One whole packet from the front of `buffer`: its first byte and its body; false until all
// of it has come.
bool TakePacket(std::string& buffer, uint8_t& head, std::string& body) {
  size_t length = 0;
  size_t at = 1;
  for (int shift = 0;; shift += 7, ++at) {
    if (at >= buffer.size()) return false;
    const uint8_t byte = static_cast<uint8_t>(buffer[at]);
    length |= static_cast<size_t>(byte & 0x7F) << shift;
    if ((byte & 0x80) == 0) break;
  }
  if (buffer.size() < at + 1 + length) return false;
  head = static_cast<uint8_t>(buffer[0]);
  body = buffer.substr(at + 1, length);
  buffer.erase(0, at + 1 + length);
  return true;
}

void Answer(ScriptedBroker::State& state, SOCKET client, uint8_t head, const std::string& body) {
  const auto byteAt = [&](size_t i) { return static_cast<uint8_t>(body[i]); };
  switch (head >> 4) {
    case kConnect:
      SendBytes(client, {0x20, 2, 0, 0});
      break;
    case kPublish: {
      const size_t topicLength = size_t{byteAt(0)} << 8 | byteAt(1);
      const std::string topic = body.substr(2, topicLength);
      const bool qos1 = ((head >> 1) & 3) == 1;
      const int id = qos1 ? (int{byteAt(2 + topicLength)} << 8 | byteAt(3 + topicLength)) : 0;
      bool acknowledge = false;
      {
        const std::lock_guard<std::mutex> lock(state.lock);
        state.publishes.push_back({topic, id, state.connections});
        acknowledge = qos1 && state.acknowledges(topic);
      }
      if (acknowledge) SendBytes(client, {0x40, 2, static_cast<uint8_t>(id >> 8), static_cast<uint8_t>(id)});
      break;
    }
    case kPingRequest:
      SendBytes(client, {0xD0, 0});
      break;
    case kDisconnect: {
      const std::lock_guard<std::mutex> lock(state.lock);
      state.disconnected = true;
      break;
    }
    default:
      break;
  }
}

void Serve(ScriptedBroker::State& state, SOCKET listener) {
  SOCKET client = INVALID_SOCKET;
  std::string buffer;
  while (!state.stop) {
    {
      std::unique_lock<std::mutex> lock(state.lock);
      if (state.resetAsked) {
        if (client != INVALID_SOCKET) {
          const linger abort{1, 0};
          setsockopt(client, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof(abort));
          closesocket(client);
          client = INVALID_SOCKET;
        }
        state.resetAsked = false;
        state.changed.notify_all();
      }
    }
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(client == INVALID_SOCKET ? listener : client, &readable);
    timeval wait{0, 20'000};
    if (select(0, &readable, nullptr, nullptr, &wait) <= 0) continue;
    if (client == INVALID_SOCKET) {
      client = accept(listener, nullptr, nullptr);
      buffer.clear();
      const std::lock_guard<std::mutex> lock(state.lock);
      ++state.connections;
      continue;
    }
    char chunk[4096];
    const int got = recv(client, chunk, sizeof(chunk), 0);
    if (got <= 0) {
      closesocket(client);
      client = INVALID_SOCKET;
      continue;
    }
    buffer.append(chunk, static_cast<size_t>(got));
    uint8_t head = 0;
    std::string body;
    while (TakePacket(buffer, head, body)) Answer(state, client, head, body);
  }
  if (client != INVALID_SOCKET) closesocket(client);
}

}  // namespace

ScriptedBroker::ScriptedBroker() : state_(std::make_shared<State>()) {
  const SOCKET listener = ListenOnLoopback(port_);
  thread_ = std::thread([state = state_, listener] {
    Serve(*state, listener);
    closesocket(listener);
  });
}

ScriptedBroker::~ScriptedBroker() {
  state_->stop = true;
  thread_.join();
}

void ScriptedBroker::Acknowledge(Acknowledges rule) {
  const std::lock_guard<std::mutex> lock(state_->lock);
  state_->acknowledges = std::move(rule);
}

void ScriptedBroker::Reset() {
  std::unique_lock<std::mutex> lock(state_->lock);
  state_->resetAsked = true;
  state_->changed.wait(lock, [&] { return !state_->resetAsked; });
}

std::vector<ScriptedBroker::Received> ScriptedBroker::Publishes() const {
  const std::lock_guard<std::mutex> lock(state_->lock);
  return state_->publishes;
}

int ScriptedBroker::Connections() const {
  const std::lock_guard<std::mutex> lock(state_->lock);
  return state_->connections;
}

bool ScriptedBroker::DisconnectedCleanly() const {
  const std::lock_guard<std::mutex> lock(state_->lock);
  return state_->disconnected;
}

}  // namespace velmar::test

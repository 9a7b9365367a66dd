#include "tests/support/mqtt_subscriber_win.h"

#include <windows.h>

#include "publish/mosquitto_client.h"
#include "publish/tls_context.h"
#include "tools/driver/dialog_driver_win.h"

namespace velmar::test {

struct Subscriber::State {
  mutable std::mutex lock;
  std::vector<ReceivedMessage> messages;
  int connections = 0;
  bool subscribed = false;
  std::atomic<bool> stop{false};
};

namespace {

constexpr ULONGLONG kRetryMs = 200;
constexpr ULONGLONG kConnectMs = 2000;

class Listener final : public MosquittoEvents {
 public:
  explicit Listener(Subscriber::State& state) : state_(state) {}
  void OnConnect(int code) override { accepted_ = code == 0; }
  void OnDisconnect(int) override { lost_ = true; }
  void OnSubscribed() override {
    const std::lock_guard<std::mutex> lock(state_.lock);
    state_.subscribed = true;
  }
  void OnMessage(std::string_view topic, std::string_view payload, bool retained) override {
    const std::lock_guard<std::mutex> lock(state_.lock);
    state_.messages.push_back({std::string(topic), std::string(payload), retained, state_.connections});
  }

  void Run(int port, const std::string& filter, const std::string& persistentId, const TlsFiles& tlsFiles) {
    const std::string id = persistentId.empty() ? "velmar-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                                                      std::to_string(GetTickCount64())
                                                : persistentId;
    std::string tlsError;
    const std::unique_ptr<TlsContext> tls =
        tlsFiles.caPem.empty() ? nullptr : TlsContext::Make(tlsFiles, "127.0.0.1", tlsError);
    MosquittoClient client(id, persistentId.empty(), *this);
    if (tls) client.UseTls(tls->Handle());
    enum class Phase { Down, Connecting, Up } phase = Phase::Down;
    ULONGLONG attempt = 0;
    for (bool first = true; !state_.stop;) {
      const ULONGLONG now = GetTickCount64();
      if (accepted_) {
        phase = Phase::Up;
        client.Subscribe(filter);
        const std::lock_guard<std::mutex> lock(state_.lock);
        ++state_.connections;
      }
      if (lost_ || (phase == Phase::Connecting && (client.ConnectFailed() || now - attempt > kConnectMs))) {
        phase = Phase::Down;
      }
      accepted_ = lost_ = false;
      if (phase == Phase::Down && now - attempt >= kRetryMs) {
        attempt = now;
        const int result = first ? client.Connect("127.0.0.1", port, 10) : client.Reconnect();
        first = false;
        if (result == 0) phase = Phase::Connecting;
      }
      if (phase == Phase::Down) {
        Sleep(kRetryMs / 4);  // no socket to wait on until the next attempt
      } else {
        client.Loop(20);
      }
    }
  }

 private:
  Subscriber::State& state_;
  bool accepted_ = false;
  bool lost_ = false;
};

}  // namespace

Subscriber::Subscriber(int port, std::string topicFilter, std::string persistentId, TlsFiles tls)
    : state_(std::make_shared<State>()) {
  thread_ = std::thread([state = state_, port, topicFilter = std::move(topicFilter),
                         persistentId = std::move(persistentId), tls = std::move(tls)] {
    Listener(*state).Run(port, topicFilter, persistentId, tls);
  });
}

Subscriber::~Subscriber() {
  state_->stop = true;
  thread_.join();
}

bool Subscriber::WaitSubscribed(std::chrono::milliseconds timeout) {
  return driver::WaitFor(
      [&] {
        const std::lock_guard<std::mutex> lock(state_->lock);
        return state_->subscribed;
      },
      timeout);
}

std::vector<ReceivedMessage> Subscriber::Messages() const {
  const std::lock_guard<std::mutex> lock(state_->lock);
  return state_->messages;
}

std::vector<std::string> Subscriber::Payloads(const std::string& topic) const {
  std::vector<std::string> payloads;
  for (const ReceivedMessage& message : Messages()) {
    if (message.topic == topic) payloads.push_back(message.payload);
  }
  return payloads;
}

bool Subscriber::WaitMessages(const std::function<bool(const std::vector<ReceivedMessage>&)>& done,
                              std::chrono::milliseconds timeout) const {
  return driver::WaitFor([&] { return done(Messages()); }, timeout);
}

int PointOf(const std::string& rowJson) {
  const std::string key = "\"point\":";
  const size_t at = rowJson.find(key);
  return at == std::string::npos ? -1 : std::atoi(rowJson.c_str() + at + key.size());
}

}  // namespace velmar::test

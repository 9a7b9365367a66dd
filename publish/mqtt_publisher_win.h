#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/run_types.h"
#include "publish/mqtt_messages.h"
#include "publish/tls_files_win.h"

namespace velmar {

// Texts in UTF-8, fixed for the publisher's life.
struct PublisherSettings {
  std::string host;
  int port = 0;
  std::string topicPrefix;
  std::string clientId;
  std::string user;  // empty: none
  std::string password;
  // Every connection over TLS with these files, or none at all: never in clear.
  bool tls = false;
  TlsFiles tlsFiles{};
};

struct PublisherStats {
  size_t queued = 0;
  size_t inFlight = 0;
  size_t acknowledged = 0;
  size_t dropped = 0;
  bool connected = false;
};

// The UTC clock, in Unix milliseconds.
int64_t UnixMsNow();

// At exit, the most the last acknowledgements and the final status may take.
inline constexpr std::chrono::milliseconds kPublisherExitBound{3000};

// A copy of every row and alarm on an MQTT broker, at least once (QoS 1): "<prefix>/row",
// "<prefix>/alarm" and the retained "<prefix>/status". All networking, and every call into the
// library, is on a thread of its own; the window's thread only hands messages over. While the
// broker cannot be reached they wait in memory up to a bound, then the oldest are dropped.
class MqttPublisher final : public RowListener {
 public:
  // Called once, on the network thread, when the broker refuses the user name or password.
  using RefusedHandler = std::function<void()>;
  // Called once, on the network thread, when TLS refuses the broker or the broker refuses us
  // (the reason in OpenSSL's words), or when TLS cannot be set up at all.
  using TlsRefusedHandler = std::function<void(const std::string& reason)>;

  MqttPublisher(PublisherSettings settings, RunState state, RefusedHandler onRefused,
                TlsRefusedHandler onTlsRefused = {});
  // Stops within kPublisherExitBound.
  ~MqttPublisher() override;
  MqttPublisher(const MqttPublisher&) = delete;
  MqttPublisher& operator=(const MqttPublisher&) = delete;

  void OnRunStarted(const RunHeader& header) override;
  void OnRow(const LoggedRow& row) override;
  void Publish(const AlarmMessage& event);
  void SetState(RunState state);
  // Asks the network thread to end after the queued messages, "offline" and their
  // acknowledgements, or when `bound` has passed; does not wait.
  void RequestStop(std::chrono::milliseconds bound);
  // Asks, then waits at most `bound`. A thread stuck in a name lookup is left to the end of the
  // process rather than waited for.
  void Stop(std::chrono::milliseconds bound);
  PublisherStats Stats() const;

  struct Shared;

 private:
  std::shared_ptr<Shared> shared_;
  std::shared_ptr<const std::vector<std::string>> titles_;
  std::thread thread_;
};

}  // namespace velmar

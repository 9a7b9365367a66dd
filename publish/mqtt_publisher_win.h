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

// While the broker cannot be reached, messages wait up to these bounds; then the oldest go.
struct QueueBounds {
  size_t messages = 100'000;
  size_t bytes = 16u << 20;
};

// Texts in UTF-8, fixed for the publisher's life.
struct PublisherSettings {
  std::string host;
  int port = 0;
  std::string topicPrefix;
  std::string clientId;
  std::string user;  // empty: none
  std::string password;
  QueueBounds queue;
  // Every connection over TLS with these files, or none at all: never in clear.
  bool tls = false;
  TlsFiles tlsFiles{};
};

struct PublisherStats {
  size_t queued = 0;
  // Taken by the library and not yet acknowledged by the broker.
  size_t inFlight = 0;
  size_t acknowledged = 0;
  // The oldest, from the full queue.
  size_t dropped = 0;
  // By the library: a topic or payload it does not take.
  size_t refused = 0;
  bool connected = false;
};

// A message or the last will that the library refused: its topic, and why in the library's words.
struct PublishRefusal {
  std::string topic;
  std::string reason;
  int code = 0;
  bool will = false;
};

// What the network thread has to tell since it was last asked.
struct PublisherNews {
  bool credentialsRefused = false;
  // TLS refused the broker or the broker us (OpenSSL's words), or TLS cannot be set up at all;
  // told once in the publisher's life.
  std::string tlsRefusal;
  // Each cause (the library's code, for the will or a message) once in the publisher's life.
  std::vector<PublishRefusal> refusals;
  // Messages dropped from the full queue in an outage, told once.
  size_t dropped = 0;
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
  // Called on the network thread when there is news to take.
  using NewsHandler = std::function<void()>;

  // `after`: a publisher being replaced, already asked to stop. This one connects only once
  // that one has ended (or its bound has passed): both use the process's client id, and the
  // broker would give this one the session while the other still drains.
  MqttPublisher(PublisherSettings settings, RunState state, NewsHandler onNews, const MqttPublisher* after = nullptr);
  // Stops within kPublisherExitBound.
  ~MqttPublisher() override;
  MqttPublisher(const MqttPublisher&) = delete;
  MqttPublisher& operator=(const MqttPublisher&) = delete;

  void OnRunStarted(const RunHeader& header) override;
  void OnRow(const LoggedRow& row) override;
  void Publish(const AlarmMessage& event);
  void SetState(RunState state);
  // Asks the network thread to end after the last state, the queued messages, "offline" and
  // their acknowledgements, or when `bound` has passed; does not wait.
  void RequestStop(std::chrono::milliseconds bound);
  // Asks, then waits at most `bound`. A thread stuck in a name lookup is left to the end of the
  // process rather than waited for.
  void Stop(std::chrono::milliseconds bound);
  PublisherStats Stats() const;
  // The news since the last call. Drops are told once their outage is over (the queue emptied
  // on a connection), or at once with `outageToo` (a run that ends during the outage).
  PublisherNews TakeNews(bool outageToo = false);

  struct Shared;

 private:
  std::shared_ptr<Shared> shared_;
  std::shared_ptr<const std::vector<std::string>> titles_;
  std::thread thread_;
};

}  // namespace velmar

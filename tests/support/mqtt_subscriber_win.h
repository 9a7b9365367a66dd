#pragma once
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "publish/tls_files_win.h"

namespace velmar::test {

struct ReceivedMessage {
  std::string topic;
  std::string payload;
  bool retained = false;
  // How many times the subscriber had connected when it came: repeats after a reconnect
  // come on a later connection.
  int connection = 0;
};

// A QoS 1 subscriber on libmosquitto, on a thread of its own, that reconnects by itself. A
// persistent one (fixed id, no clean session) is sent what it missed while it was away. With
// TLS files, it connects over TLS, trusting their CA.
class Subscriber {
 public:
  Subscriber(int port, std::string topicFilter, std::string persistentId = "", TlsFiles tls = {});
  ~Subscriber();
  Subscriber(const Subscriber&) = delete;
  Subscriber& operator=(const Subscriber&) = delete;

  bool WaitSubscribed(std::chrono::milliseconds timeout);
  std::vector<ReceivedMessage> Messages() const;
  // The payloads of one topic, in order of arrival.
  std::vector<std::string> Payloads(const std::string& topic) const;
  bool WaitMessages(const std::function<bool(const std::vector<ReceivedMessage>&)>& done,
                    std::chrono::milliseconds timeout) const;

  struct State;

 private:
  std::shared_ptr<State> state_;
  std::thread thread_;
};

// The "point" of a row message, or -1.
int PointOf(const std::string& rowJson);

}  // namespace velmar::test

#pragma once
#include <winsock2.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace velmar::test {

// A broker for moments a real one cannot be made to have: it speaks just enough MQTT 3.1.1 for
// one client (the connection, publishes, pings), acknowledges only the publishes the test
// chooses, and resets the connection when told. On 127.0.0.1 and a free port.
class ScriptedBroker {
 public:
  struct Received {
    std::string topic;
    int id = 0;
    // How many connections had been accepted when it came.
    int connection = 0;
  };
  using Acknowledges = std::function<bool(const std::string& topic)>;

  ScriptedBroker();
  ~ScriptedBroker();
  ScriptedBroker(const ScriptedBroker&) = delete;
  ScriptedBroker& operator=(const ScriptedBroker&) = delete;

  int Port() const { return port_; }
  // Which publishes are acknowledged from now on; all until this is called.
  void Acknowledge(Acknowledges rule);
  // Resets the connection (RST, not a close), and returns once it is done.
  void Reset();
  std::vector<Received> Publishes() const;
  int Connections() const;
  // Whether the client sent DISCONNECT: a clean end, after which a broker keeps the will back.
  bool DisconnectedCleanly() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
  int port_ = 0;
  std::thread thread_;
};

}  // namespace velmar::test

#pragma once
#include <winsock2.h>

#include <chrono>
#include <string>

namespace velmar::test {

// Debian's mosquitto, a Unix program started through Wine, on 127.0.0.1 and a free port, with
// a folder and config of its own; persistent unless asked otherwise, so a subscriber's session
// and the retained messages outlive a restart. Stopped with SIGTERM by the test, and by the
// destructor at the latest.
class Broker {
 public:
  explicit Broker(bool persistent = true);
  ~Broker();
  Broker(const Broker&) = delete;
  Broker& operator=(const Broker&) = delete;

  // Only this user with this password may connect; before the first Start.
  bool RequirePassword(const std::string& user, const std::string& password);
  // TLS only, with these files (Unix paths); with requireCertificate only clients whose
  // certificate the CA signed. Before the first Start.
  void UseTls(const std::string& caFile, const std::string& certFile, const std::string& keyFile,
              bool requireCertificate = false);
  // Starts it, on the same port as before after a Stop.
  bool Start();
  bool Stop();
  // SIGSTOP or SIGCONT: a broker that keeps its connections and answers nothing.
  bool Freeze(bool frozen);
  int Port() const { return port_; }

 private:
  std::string folder_;  // Unix path
  int port_ = 0;
  bool persistent_;
  bool passwordFile_ = false;
  std::string tls_;  // the listener's TLS lines
  bool running_ = false;
};

// A port on 127.0.0.1 that nothing listens on now.
int FreeLoopbackPort();

// A listener on 127.0.0.1 that takes connections (the system completes them) and never reads
// nor answers: a broker whose answer never comes. Port 0 when it could not listen.
class SilentListener {
 public:
  SilentListener();
  ~SilentListener();
  SilentListener(const SilentListener&) = delete;
  SilentListener& operator=(const SilentListener&) = delete;
  int Port() const { return port_; }

 private:
  int port_ = 0;  // before the socket: its start sets it
  SOCKET socket_;
};
bool AcceptsConnections(int port);

}  // namespace velmar::test

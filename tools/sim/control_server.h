#pragma once
#include <poll.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace velmar::sim {

// Line commands over TCP on the loopback interface, for test harnesses. Every line gets one
// reply line from the handler.
class ControlServer {
 public:
  using Handler = std::function<std::string(std::string_view command)>;

  ControlServer() = default;
  ~ControlServer();
  ControlServer(const ControlServer&) = delete;
  ControlServer& operator=(const ControlServer&) = delete;

  // Port 0 lets the system choose; port() then tells which.
  bool Listen(std::uint16_t port, std::string& error);
  std::uint16_t port() const { return port_; }

  // Appends the descriptors to watch; Dispatch must get the same vector back after poll().
  void AddPollFds(std::vector<pollfd>& fds);
  void Dispatch(const std::vector<pollfd>& fds, const Handler& handler);

  // Sends what is still queued, waiting up to the given time; for the last words before exit.
  void Flush(int timeout_ms);

  // True once the first connection ever accepted has closed.
  bool first_connection_closed() const { return first_closed_; }

 private:
  struct Connection {
    int fd;
    bool first;
    std::string input;
    std::string output;
    bool closing = false;
  };
  void Accept();
  void Receive(Connection& c, const Handler& handler);
  void Send(Connection& c);

  int listen_fd_ = -1;
  std::uint16_t port_ = 0;
  bool accepted_any_ = false;
  bool first_closed_ = false;
  std::vector<Connection> connections_;
  std::size_t poll_base_ = 0;
};

}  // namespace velmar::sim

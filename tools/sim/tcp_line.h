#pragma once
#include <cstdint>

#include "tools/sim/sim_line.h"

namespace velmar::sim {

// The instrument on a TCP port of 127.0.0.1, one client at a time as a serial device server
// serves them: a second client waits in the listen queue until the first one leaves. Its own
// faults: close or reset the client's connection, refuse new connections (stop listening) and
// listen again on the same port.
class TcpLine final : public SimLine {
 public:
  // Port 0 lets the system choose; the "tcp-port" command tells which.
  explicit TcpLine(std::uint16_t port) : port_(port) {}
  ~TcpLine() override;

  bool Plug(std::string& error) override;
  void Unplug() override;
  bool plugged() const override { return listen_fd_ >= 0 || client_fd_ >= 0; }
  int data_fd() const override { return client_fd_; }
  void AddPollFds(std::vector<pollfd>& fds) override;
  bool Dispatch(const std::vector<pollfd>& fds) override;
  bool HungUp() override;
  unsigned baud() const override { return 0; }
  std::optional<std::string> Control(const std::vector<std::string_view>& words) override;
  std::string Describe() const override { return "127.0.0.1:" + std::to_string(port_); }

 private:
  bool Listen(std::string& error);
  void StopListening();
  // With reset, the peer gets an RST instead of the end of the stream.
  void DropClient(bool reset);

  std::uint16_t port_;
  int listen_fd_ = -1;
  int client_fd_ = -1;
  std::uint64_t clients_ = 0;
  std::optional<std::size_t> poll_index_;
};

}  // namespace velmar::sim

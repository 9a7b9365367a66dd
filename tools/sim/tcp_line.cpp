#include "tools/sim/tcp_line.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "tools/sim/loopback_listener.h"

namespace velmar::sim {

TcpLine::~TcpLine() { Unplug(); }

bool TcpLine::Plug(std::string& error) { return listen_fd_ >= 0 || Listen(error); }

void TcpLine::Unplug() {
  DropClient(false);
  StopListening();
}

bool TcpLine::Listen(std::string& error) {
  // Listening again after "refuse" takes the same port.
  listen_fd_ = ListenOnLoopback(port_, "tcp port", error);
  return listen_fd_ >= 0;
}

void TcpLine::StopListening() {
  if (listen_fd_ >= 0) close(listen_fd_);
  listen_fd_ = -1;
}

void TcpLine::DropClient(bool reset) {
  if (client_fd_ < 0) return;
  if (reset) {
    const linger abort{1, 0};
    setsockopt(client_fd_, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  }
  close(client_fd_);
  client_fd_ = -1;
}

void TcpLine::AddPollFds(std::vector<pollfd>& fds) {
  poll_index_.reset();
  // One client at a time: the next one is taken only when this one has left.
  if (listen_fd_ < 0 || client_fd_ >= 0) return;
  poll_index_ = fds.size();
  fds.push_back({listen_fd_, POLLIN, 0});
}

bool TcpLine::Dispatch(const std::vector<pollfd>& fds) {
  if (!poll_index_ || !(fds[*poll_index_].revents & POLLIN) || client_fd_ >= 0) return false;
  client_fd_ = accept4(listen_fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (client_fd_ < 0) return false;
  const int yes = 1;
  setsockopt(client_fd_, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
  ++clients_;
  return true;
}

bool TcpLine::HungUp() {
  DropClient(false);
  return true;
}

std::optional<std::string> TcpLine::Control(const std::vector<std::string_view>& words) {
  if (words.size() != 1) return std::nullopt;
  const std::string_view verb = words[0];
  if (verb == "tcp-port") return "ok " + std::to_string(port_);
  if (verb == "clients") return "ok " + std::to_string(clients_);
  if (verb == "close" || verb == "reset") {
    if (client_fd_ < 0) return "error no client";
    DropClient(verb == "reset");
    return "ok " + std::string(verb);
  }
  if (verb == "refuse") {
    StopListening();
    return std::string("ok refusing");
  }
  if (verb == "listen") {
    std::string error;
    if (!Plug(error)) return "error " + error;
    return "ok listening " + std::to_string(port_);
  }
  return std::nullopt;
}

}  // namespace velmar::sim

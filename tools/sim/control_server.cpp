#include "tools/sim/control_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "tools/sim/loopback_listener.h"

namespace velmar::sim {

namespace {

// A harness that never reads its replies must not make the simulator grow without bound.
constexpr std::size_t kMaxQueuedOutput = 64 * 1024 * 1024;
constexpr std::size_t kMaxCommandLength = 64 * 1024;

}  // namespace

ControlServer::~ControlServer() {
  for (const Connection& c : connections_) close(c.fd);
  if (listen_fd_ >= 0) close(listen_fd_);
}

bool ControlServer::Listen(std::uint16_t port, std::string& error) {
  listen_fd_ = ListenOnLoopback(port, "control port", error);
  port_ = port;
  return listen_fd_ >= 0;
}

void ControlServer::AddPollFds(std::vector<pollfd>& fds) {
  poll_base_ = fds.size();
  fds.push_back({listen_fd_, POLLIN, 0});
  for (const Connection& c : connections_) {
    const int events = (c.closing ? 0 : POLLIN) | (c.output.empty() ? 0 : POLLOUT);
    fds.push_back({c.fd, static_cast<short>(events), 0});
  }
}

void ControlServer::Dispatch(const std::vector<pollfd>& fds, const Handler& handler) {
  const std::size_t known = connections_.size();
  for (std::size_t i = 0; i < known; ++i) {
    const short revents = fds[poll_base_ + 1 + i].revents;
    Connection& c = connections_[i];
    if (revents & POLLOUT) Send(c);
    if (revents & (POLLIN | POLLHUP | POLLERR)) Receive(c, handler);
  }
  std::erase_if(connections_, [this](const Connection& c) {
    if (!c.closing || !c.output.empty()) return false;
    close(c.fd);
    if (c.first) first_closed_ = true;
    return true;
  });
  if (fds[poll_base_].revents & POLLIN) Accept();
}

void ControlServer::Accept() {
  while (true) {
    const int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;
    connections_.push_back({fd, !accepted_any_, {}, {}});
    accepted_any_ = true;
  }
}

void ControlServer::Receive(Connection& c, const Handler& handler) {
  char buffer[4096];
  const ssize_t n = recv(c.fd, buffer, sizeof buffer, 0);
  if (n == 0) {
    // The peer may only have shut down its sending side: it still gets the replies queued.
    c.closing = true;
    Send(c);
    return;
  }
  if (n < 0) {
    if (errno == EAGAIN || errno == EINTR) return;
    c.closing = true;
    c.output.clear();
    return;
  }
  c.input.append(buffer, static_cast<std::size_t>(n));
  std::size_t end;
  while ((end = c.input.find('\n')) != std::string::npos) {
    std::string line = c.input.substr(0, end);
    c.input.erase(0, end + 1);
    std::erase(line, '\r');
    if (c.output.size() < kMaxQueuedOutput) c.output += handler(line) + "\n";
  }
  if (c.input.size() > kMaxCommandLength) {
    c.input.clear();
    c.output += "error command too long\n";
  }
  Send(c);
}

void ControlServer::Send(Connection& c) {
  while (!c.output.empty()) {
    const ssize_t n = send(c.fd, c.output.data(), c.output.size(), MSG_NOSIGNAL);
    if (n <= 0) {
      if (n < 0 && errno != EAGAIN && errno != EINTR) {
        c.closing = true;
        c.output.clear();
      }
      return;
    }
    c.output.erase(0, static_cast<std::size_t>(n));
  }
}

void ControlServer::Flush(int timeout_ms) {
  for (Connection& c : connections_) {
    Send(c);
    pollfd p{c.fd, POLLOUT, 0};
    while (!c.output.empty() && poll(&p, 1, timeout_ms) > 0) Send(c);
  }
}

}  // namespace velmar::sim

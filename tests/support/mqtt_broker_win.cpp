#include "tests/support/mqtt_broker_win.h"

#include <ws2tcpip.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "tests/support/simulator_win.h"
#include "tools/driver/dialog_driver_win.h"

namespace velmar::test {
namespace {

using driver::Millis;

constexpr Millis kBrokerTimeout{15000};

std::string ReadAll(const std::string& unixPath) {
  std::ifstream file(WinePath(unixPath).c_str(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

bool WriteAll(const std::string& unixPath, const std::string& text) {
  std::ofstream file(WinePath(unixPath).c_str(), std::ios::binary | std::ios::trunc);
  file << text;
  return static_cast<bool>(file);
}

}  // namespace

int FreeLoopbackPort() {
  if (!StartSockets()) return 0;
  SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int size = sizeof(address);
  int port = 0;
  if (probe != INVALID_SOCKET && bind(probe, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
      getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
    port = ntohs(address.sin_port);
  } else {
    std::fprintf(stderr, "no free loopback port: Winsock error %d\n", WSAGetLastError());
  }
  if (probe != INVALID_SOCKET) closesocket(probe);
  return port;
}

SilentListener::SilentListener() : socket_(ListenOnLoopback(port_)) {}

SilentListener::~SilentListener() {
  if (socket_ != INVALID_SOCKET) closesocket(socket_);
}

bool AcceptsConnections(int port) {
  if (!StartSockets()) return false;
  SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool accepted = connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
  closesocket(probe);
  return accepted;
}

Broker::Broker(bool persistent) : persistent_(persistent) {
  folder_ = std::string(VELMAR_BROKER_DIR) + "/broker-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(GetTickCount64());
  CreateDirectoryW(WinePath(VELMAR_BROKER_DIR).c_str(), nullptr);
  CreateDirectoryW(WinePath(folder_).c_str(), nullptr);
}

Broker::~Broker() { Stop(); }

bool Broker::RequirePassword(const std::string& user, const std::string& password) {
  const std::string file = folder_ + "/passwords";
  if (!StartUnixProgram("/usr/bin/mosquitto_passwd", "-b -c " + file + " " + user + " " + password)) return false;
  passwordFile_ = driver::WaitFor([&] { return ReadAll(file).find('\n') != std::string::npos; }, kBrokerTimeout);
  return passwordFile_;
}

void Broker::UseTls(const std::string& caFile, const std::string& certFile, const std::string& keyFile,
                    bool requireCertificate) {
  tls_ = "cafile " + caFile + "\ncertfile " + certFile + "\nkeyfile " + keyFile + "\n" +
         (requireCertificate ? "require_certificate true\n" : "");
}

bool Broker::Start() {
  // Another program may take the free port between the probe and the start: try another.
  for (int attempt = 0; attempt < 3 && !running_; ++attempt) {
    if (port_ == 0 || attempt > 0) port_ = FreeLoopbackPort();
    // Port 0 with an address would make the broker listen on a Unix socket of that name.
    if (port_ == 0) return false;
    std::string config = "listener " + std::to_string(port_) + " 127.0.0.1\n" + tls_ +
                         "persistence " + (persistent_ ? "true" : "false") + "\npersistence_location " + folder_ + "/\n" +
                         "pid_file " + folder_ + "/broker.pid\nlog_dest file " + folder_ + "/broker.log\n" +
                         // Root would otherwise hand the folder's files to another user.
                         "user root\n";
    config += passwordFile_ ? "allow_anonymous false\npassword_file " + folder_ + "/passwords\n"
                            : "allow_anonymous true\n";
    if (!WriteAll(folder_ + "/mosquitto.conf", config)) return false;
    // timeout bounds its life should the test itself die.
    if (!StartUnixProgram("/usr/bin/timeout", "900 /usr/sbin/mosquitto -c " + folder_ + "/mosquitto.conf")) return false;
    running_ = driver::WaitFor([&] { return AcceptsConnections(port_); }, kBrokerTimeout);
    if (!running_) {
      const SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
      std::fprintf(stderr, "the broker took no connection on port %d (a new socket: %s %d); its log:\n%s\n", port_,
                   probe == INVALID_SOCKET ? "Winsock error" : "made", WSAGetLastError(),
                   ReadAll(folder_ + "/broker.log").c_str());
      if (probe != INVALID_SOCKET) closesocket(probe);
      // One that never took a connection must not outlive the test: it holds the test's output.
      Stop();
    }
  }
  return running_;
}

bool Broker::Freeze(bool frozen) {
  const std::string pid = ReadAll(folder_ + "/broker.pid");
  if (pid.empty() || !StartUnixProgram("/bin/kill", (frozen ? "-STOP " : "-CONT ") + pid)) return false;
  // The third field of /proc/PID/stat is the process state; T is stopped.
  return driver::WaitFor(
      [&] {
        const std::string stat = ReadAll("/proc/" + pid + "/stat");
        const size_t close = stat.rfind(')');
        return close != std::string::npos && close + 2 < stat.size() && (stat[close + 2] == 'T') == frozen;
      },
      kBrokerTimeout);
}

bool Broker::Stop() {
  // A frozen broker would hold SIGTERM until it is let go.
  Freeze(false);
  // Without its pid file it was never started, or is gone already.
  const std::string pid = ReadAll(folder_ + "/broker.pid");
  if (pid.empty()) {
    running_ = false;
    return true;
  }
  if (!StartUnixProgram("/bin/kill", "-TERM " + pid)) return false;
  // It removes its pid file last, after saving the sessions.
  running_ = !driver::WaitFor(
      [&] { return !AcceptsConnections(port_) && GetFileAttributesW(WinePath(folder_ + "/broker.pid").c_str()) ==
                                                     INVALID_FILE_ATTRIBUTES; },
      kBrokerTimeout);
  return !running_;
}

}  // namespace velmar::test

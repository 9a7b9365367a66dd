#include "tests/support/simulator_win.h"

#include <ws2tcpip.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "core/sockets_start_lock.h"

namespace velmar::test {
namespace {

std::string ReadAll(const std::wstring& path) {
  std::ifstream file(path.c_str(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

bool WaitForFile(const std::wstring& path, std::string& content) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    content = ReadAll(path);
    if (!content.empty() && content.back() == '\n') return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

int FromHex(char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; }

}  // namespace

std::wstring WinePath(const std::string& unixPath) {
  std::wstring path = L"Z:";
  for (char c : unixPath) path.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(c));
  return path;
}

std::string PortsDir() { return VELMAR_PORTS_DIR; }

std::wstring LoggerExePath() { return WinePath(VELMAR_LOGGER_EXE); }

bool StartUnixProgram(const std::string& program, const std::string& arguments) {
  // The arguments reach the Unix program as they are: Unix paths stay Unix paths.
  std::wstring line = WinePath(program) + L" ";
  line.append(arguments.begin(), arguments.end());
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  // Wine makes no process object for a Unix program and leaves the handles it returns unwritten:
  // closing them would close whatever other handle of this process their bytes happen to name.
  return CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process) != 0;
}

Simulator::~Simulator() {
  if (socket_ == INVALID_SOCKET) return;
  Command("quit");
  // Wait for the simulator to be gone, link removed, before the next test publishes its own.
  const DWORD timeoutMs = 5000;
  setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs), sizeof(timeoutMs));
  char chunk[256];
  while (recv(socket_, chunk, sizeof(chunk), 0) > 0) {
  }
  closesocket(socket_);
}

bool Simulator::Start(int comPort, const std::string& options) {
  return Launch("--link " + PortsDir() + "/com" + std::to_string(comPort) + ' ' + options,
                PortsDir() + "/sim-com" + std::to_string(comPort) + ".port");
}

bool Simulator::StartTcp(const std::string& options) { return Launch("--tcp 0 " + options, PortsDir() + "/sim-tcp.port"); }

int Simulator::TcpPort() {
  const std::string port = Command("tcp-port");
  return port.empty() ? 0 : std::atoi(port.c_str());
}

bool StartSockets() {
  // Under the program's own lock: the subscriber's and the publisher's threads start and end
  // the library meanwhile.
  const std::lock_guard<std::mutex> lock(SocketsStartLock());
  static bool started = false;
  WSADATA data;
  if (!started) started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  return started;
}

SOCKET ListenOnLoopback(int& port) {
  port = 0;
  if (!StartSockets()) return INVALID_SOCKET;
  const SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int size = sizeof(address);
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), size) == 0 && listen(listener, 4) == 0 &&
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
    port = ntohs(address.sin_port);
  }
  return listener;
}

bool Simulator::Launch(const std::string& simArguments, const std::string& portFile) {
  if (!StartSockets()) return false;
  DeleteFileW(WinePath(portFile).c_str());
  // The simulator is a Unix program: its arguments are Unix paths.
  std::ostringstream arguments;
  arguments << " --seed 7 --control 0 --exit-with-control --lifetime 900 --port-file " << portFile << ' '
            << simArguments;
  // The control connection is how the test knows it is up and how it ends it.
  if (!StartUnixProgram(VELMAR_SIMULATOR, arguments.str())) return false;
  std::string port;
  if (!WaitForFile(WinePath(portFile), port)) return false;

  socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(std::stoi(port)));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) return false;
  return Command("ping") == "pong";
}

std::string Simulator::ReplyTo(const std::string& line) {
  const std::string request = line + "\n";
  if (send(socket_, request.data(), static_cast<int>(request.size()), 0) != static_cast<int>(request.size())) return {};
  size_t end;
  while ((end = buffered_.find('\n')) == std::string::npos) {
    char chunk[4096];
    const int got = recv(socket_, chunk, sizeof(chunk), 0);
    if (got <= 0) return {};
    buffered_.append(chunk, static_cast<size_t>(got));
  }
  std::string reply = buffered_.substr(0, end);
  buffered_.erase(0, end + 1);
  return reply;
}

std::string Simulator::Command(const std::string& line) {
  const std::string reply = ReplyTo(line);
  return reply.rfind("ok ", 0) == 0 ? reply.substr(3) : "";
}

bool Simulator::Ok(const std::string& line) { return ReplyTo(line).rfind("ok", 0) == 0; }

std::string Simulator::Received() { return BytesOf("record"); }

std::string Simulator::Sent() { return BytesOf("sent"); }

std::string Simulator::BytesOf(const std::string& command) {
  const std::string hex = Command(command);
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<char>(FromHex(hex[i]) * 16 + FromHex(hex[i + 1])));
  }
  return bytes;
}

int Simulator::Queries() {
  const std::string count = Command("queries");
  return count.empty() ? -1 : std::atoi(count.c_str());
}

}  // namespace velmar::test

#pragma once
#include <winsock2.h>

#include <string>

namespace velmar::test {

// A Unix path as the Windows side sees it (the Z: drive is the Unix root).
std::wstring WinePath(const std::string& unixPath);
// The Unix folder holding the stable symlinks of the registered test ports.
std::string PortsDir();
std::wstring LoggerExePath();
// Starts a Unix program, as Wine can; its handle cannot be waited on, so callers wait for what
// it does.
bool StartUnixProgram(const std::string& program, const std::string& arguments);
// Winsock for the rest of the test process, started once (tried again after a failure).
bool StartSockets();
// A socket listening on 127.0.0.1 at a port the system chose, told in `port` (0 when it could
// not listen).
SOCKET ListenOnLoopback(int& port);

// The native instrument simulator on one test port, started from the Windows side. It
// exits when the control connection closes, so a crashed test leaves nothing behind.
class Simulator {
 public:
  Simulator() = default;
  ~Simulator();
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  bool Start(int comPort, const std::string& options = "");
  // The same instrument on a free TCP port of 127.0.0.1, one client at a time.
  bool StartTcp(const std::string& options = "");
  // The TCP port StartTcp listens on; 0 when none.
  int TcpPort();
  // One control command; returns its reply line without "ok " (empty on "error ...").
  std::string Command(const std::string& line);
  bool Ok(const std::string& line);
  // Every byte received so far, raw.
  std::string Received();
  // Every byte written to the line so far, raw.
  std::string Sent();
  int Queries();

 private:
  // Starts the simulator with these arguments besides the control port's, and connects.
  bool Launch(const std::string& arguments, const std::string& portFile);
  std::string ReplyTo(const std::string& line);
  std::string BytesOf(const std::string& command);

  SOCKET socket_ = INVALID_SOCKET;
  std::string buffered_;
};

}  // namespace velmar::test

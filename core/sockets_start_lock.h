#pragma once
#include <mutex>

namespace velmar {

// Every start and end of the process's use of the sockets layer (WSAStartup, WSACleanup, and
// the MQTT library's set-up, which calls them) is made under this lock. Wine counts those
// users without a lock of its own: a count lost between two threads reaches zero early, and
// that closes every socket of the process at once.
inline std::mutex& SocketsStartLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace velmar

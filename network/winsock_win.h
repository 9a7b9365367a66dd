#pragma once
#include <winsock2.h>

#include <atomic>
#include <vector>

#include "framework/unique_handle_win.h"
#include "network/connect_attempt.h"

namespace velmar {

struct SocketTraits {
  using Handle = SOCKET;
  static Handle Invalid() noexcept { return INVALID_SOCKET; }
  static void Close(Handle s) noexcept { ::closesocket(s); }
};
using UniqueSocket = UniqueHandle<SocketTraits>;

// Winsock for as long as the scope lives; the library counts its users, under our lock.
class WinsockScope {
 public:
  WinsockScope();
  ~WinsockScope();
  WinsockScope(const WinsockScope&) = delete;
  WinsockScope& operator=(const WinsockScope&) = delete;

 private:
  bool started_ = false;
};

// The system's name lookup and non-blocking connect for one attempt, on the attempt's own
// thread; `cancelled` ends every wait within a slice. The lookup runs on a helper thread of
// its own, so a name server that does not answer costs the attempt kLookupTimeoutMs, not more.
class WinsockConnectCalls final : public ConnectCalls {
 public:
  explicit WinsockConnectCalls(const std::atomic<bool>& cancelled) : cancelled_(cancelled) {}

  ConnectResult Lookup(const NetworkAddress& address, size_t& found) override;
  ConnectResult TryAddress(size_t index, uint32_t waitMs) override;
  uint64_t NowMs() override;

  // The connection made, with the options an instrument's link needs.
  UniqueSocket TakeSocket();

 private:
  const std::atomic<bool>& cancelled_;
  std::vector<std::vector<char>> addresses_;
  std::vector<int> families_;
  UniqueSocket socket_;
};

// How long a wait is cut into, so a cancel is heard at once.
inline constexpr uint32_t kWaitSliceMs = 50;

}  // namespace velmar

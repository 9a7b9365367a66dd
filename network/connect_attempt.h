#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/instrument_address.h"

namespace velmar {

// The connect's bound, after the name lookup; the lookup has one of its own.
inline constexpr uint32_t kConnectTimeoutMs = 5000;
inline constexpr uint32_t kLookupTimeoutMs = 5000;

enum class ConnectFailure { None, HostNotFound, Refused, NoAnswer, Unreachable, Cancelled, Other };

struct ConnectResult {
  ConnectFailure failure = ConnectFailure::None;
  // The system's error code, for Other.
  int code = 0;

  bool Connected() const { return failure == ConnectFailure::None; }
};

// The system's name lookup and connect, so the attempt's course is tested with a scripted
// network: tests look up no name.
class ConnectCalls {
 public:
  virtual ~ConnectCalls() = default;
  // Looks the host up within kLookupTimeoutMs; the addresses found are kept for TryAddress.
  virtual ConnectResult Lookup(const NetworkAddress& address, size_t& found) = 0;
  // Connects to the index-th address found, waiting at most waitMs; a connection made is kept.
  virtual ConnectResult TryAddress(size_t index, uint32_t waitMs) = 0;
  virtual uint64_t NowMs() = 0;
};

// Looks the host up and tries its addresses in turn, all within one kConnectTimeoutMs: the
// first connection made wins. A failure tells the last address's reason.
ConnectResult RunConnectAttempt(ConnectCalls& calls, const NetworkAddress& address);

// "connection refused", "no answer within 5 s", "host not found" ...
std::wstring ConnectFailureText(const ConnectResult& result);
// The box of a Start that could not connect: "Cannot connect to 10.0.0.5:5025: connection
// refused."; without a reason, none is given.
std::wstring ConnectFailureMessage(const NetworkAddress& address, const std::wstring& reason);

}  // namespace velmar

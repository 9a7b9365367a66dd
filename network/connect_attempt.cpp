#include "network/connect_attempt.h"

namespace velmar {

ConnectResult RunConnectAttempt(ConnectCalls& calls, const NetworkAddress& address) {
  size_t found = 0;
  const ConnectResult lookup = calls.Lookup(address, found);
  if (!lookup.Connected()) return lookup;
  if (found == 0) return {ConnectFailure::HostNotFound, 0};
  const uint64_t start = calls.NowMs();
  ConnectResult last{ConnectFailure::NoAnswer, 0};
  for (size_t index = 0; index < found; ++index) {
    const uint64_t elapsed = calls.NowMs() - start;
    if (elapsed >= kConnectTimeoutMs) return {ConnectFailure::NoAnswer, 0};
    last = calls.TryAddress(index, static_cast<uint32_t>(kConnectTimeoutMs - elapsed));
    if (last.Connected() || last.failure == ConnectFailure::Cancelled) return last;
  }
  return last;
}

std::wstring ConnectFailureText(const ConnectResult& result) {
  switch (result.failure) {
    case ConnectFailure::None:
      return L"connected";
    case ConnectFailure::HostNotFound:
      return L"host not found";
    case ConnectFailure::Refused:
      return L"connection refused";
    case ConnectFailure::NoAnswer:
      return L"no answer within " + std::to_wstring(kConnectTimeoutMs / 1000) + L" s";
    case ConnectFailure::Unreachable:
      return L"network unreachable";
    case ConnectFailure::Cancelled:
      return L"cancelled";
    case ConnectFailure::Other:
      break;
  }
  return L"error " + std::to_wstring(result.code);
}

std::wstring ConnectFailureMessage(const NetworkAddress& address, const std::wstring& reason) {
  return L"Cannot connect to " + AddressText(address) + (reason.empty() ? L"" : L": " + reason) + L".";
}

}  // namespace velmar

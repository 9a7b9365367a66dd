#include "network/winsock_win.h"

#include <mstcpip.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "core/sockets_start_lock.h"

namespace velmar {
namespace {

// Keep-alive probes after this much quiet, this far apart: a peer gone without a word is
// noticed within seconds even between polls an hour apart.
constexpr ULONG kKeepAliveIdleMs = 10'000;
constexpr ULONG kKeepAliveIntervalMs = 1'000;
// Name lookups that did not answer within their bound and still hold a thread; beyond this
// many, a lookup fails at once instead of leaving yet another thread behind.
constexpr int kMostStuckLookups = 2;
std::atomic<int> g_lookupsRunning{0};

ConnectFailure FailureOf(int error) {
  switch (error) {
    case WSAECONNREFUSED:
      return ConnectFailure::Refused;
    case WSAETIMEDOUT:
      return ConnectFailure::NoAnswer;
    case WSAENETUNREACH:
    case WSAEHOSTUNREACH:
    case WSAENETDOWN:
      return ConnectFailure::Unreachable;
    case WSAHOST_NOT_FOUND:
    case WSANO_DATA:
    case WSATRY_AGAIN:
    case WSANO_RECOVERY:
      return ConnectFailure::HostNotFound;
    default:
      return ConnectFailure::Other;
  }
}

ConnectResult Failed(int error) { return {FailureOf(error), error}; }

struct LookupSlot {
  std::mutex lock;
  std::condition_variable done;
  bool ended = false;
  int error = 0;
  std::vector<std::vector<char>> addresses;
  std::vector<int> families;
};

void LookUp(const std::shared_ptr<LookupSlot>& slot, const std::wstring& host, const std::wstring& port) {
  ADDRINFOW hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  ADDRINFOW* found = nullptr;
  const int error = GetAddrInfoW(host.c_str(), port.c_str(), &hints, &found);
  const std::lock_guard<std::mutex> lock(slot->lock);
  slot->error = error;
  for (const ADDRINFOW* at = error == 0 ? found : nullptr; at; at = at->ai_next) {
    const char* bytes = reinterpret_cast<const char*>(at->ai_addr);
    slot->addresses.emplace_back(bytes, bytes + at->ai_addrlen);
    slot->families.push_back(at->ai_family);
  }
  if (found) FreeAddrInfoW(found);
  slot->ended = true;
  slot->done.notify_all();
}

}  // namespace

WinsockScope::WinsockScope() {
  const std::lock_guard<std::mutex> lock(SocketsStartLock());
  WSADATA data;
  started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

WinsockScope::~WinsockScope() {
  const std::lock_guard<std::mutex> lock(SocketsStartLock());
  if (started_) WSACleanup();
}

uint64_t WinsockConnectCalls::NowMs() { return GetTickCount64(); }

ConnectResult WinsockConnectCalls::Lookup(const NetworkAddress& address, size_t& found) {
  found = 0;
  if (g_lookupsRunning.load() >= kMostStuckLookups) return {ConnectFailure::HostNotFound, 0};
  auto slot = std::make_shared<LookupSlot>();
  ++g_lookupsRunning;
  std::thread([slot, host = address.host, port = std::to_wstring(address.port)] {
    LookUp(slot, host, port);
    --g_lookupsRunning;
  }).detach();
  const uint64_t deadline = NowMs() + kLookupTimeoutMs;
  std::unique_lock<std::mutex> lock(slot->lock);
  while (!slot->ended) {
    if (cancelled_) return {ConnectFailure::Cancelled, 0};
    if (NowMs() >= deadline) return {ConnectFailure::HostNotFound, 0};
    slot->done.wait_for(lock, std::chrono::milliseconds(kWaitSliceMs));
  }
  if (slot->error != 0) return Failed(slot->error);
  addresses_ = std::move(slot->addresses);
  families_ = std::move(slot->families);
  found = addresses_.size();
  return {};
}

ConnectResult WinsockConnectCalls::TryAddress(size_t index, uint32_t waitMs) {
  UniqueSocket candidate(socket(families_[index], SOCK_STREAM, IPPROTO_TCP));
  if (!candidate) return Failed(WSAGetLastError());
  u_long nonBlocking = 1;
  ioctlsocket(candidate.Get(), FIONBIO, &nonBlocking);
  const auto* address = reinterpret_cast<const sockaddr*>(addresses_[index].data());
  if (connect(candidate.Get(), address, static_cast<int>(addresses_[index].size())) != 0) {
    const int error = WSAGetLastError();
    if (error != WSAEWOULDBLOCK) return Failed(error);
    const uint64_t deadline = NowMs() + waitMs;
    for (;;) {
      if (cancelled_) return {ConnectFailure::Cancelled, 0};
      const uint64_t now = NowMs();
      if (now >= deadline) return {ConnectFailure::NoAnswer, 0};
      const auto slice = static_cast<long>(std::min<uint64_t>(deadline - now, kWaitSliceMs));
      fd_set writable;
      fd_set failed;
      FD_ZERO(&writable);
      FD_ZERO(&failed);
      FD_SET(candidate.Get(), &writable);
      FD_SET(candidate.Get(), &failed);
      timeval wait{slice / 1000, (slice % 1000) * 1000};
      if (select(0, nullptr, &writable, &failed, &wait) == SOCKET_ERROR) return Failed(WSAGetLastError());
      if (FD_ISSET(candidate.Get(), &writable) || FD_ISSET(candidate.Get(), &failed)) break;
    }
    int socketError = 0;
    int length = sizeof socketError;
    getsockopt(candidate.Get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&socketError), &length);
    if (socketError != 0) return Failed(socketError);
  }
  socket_ = std::move(candidate);
  return {};
}

UniqueSocket WinsockConnectCalls::TakeSocket() {
  if (socket_) {
    // Each query leaves at once, and a peer gone silent is noticed even while no poll is due.
    const BOOL on = TRUE;
    setsockopt(socket_.Get(), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    setsockopt(socket_.Get(), SOL_SOCKET, SO_KEEPALIVE, reinterpret_cast<const char*>(&on), sizeof on);
    tcp_keepalive probes{1, kKeepAliveIdleMs, kKeepAliveIntervalMs};
    DWORD returned = 0;
    WSAIoctl(socket_.Get(), SIO_KEEPALIVE_VALS, &probes, sizeof probes, nullptr, 0, &returned, nullptr, nullptr);
  }
  return std::move(socket_);
}

}  // namespace velmar

#include "network/network_channel_win.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "framework/ansi_text_win.h"
#include "serial/reply_reader.h"

namespace velmar {

namespace {

// A peer that takes no bytes for this long has not taken the query; the connection stays,
// and its silence counts as the polls go by.
constexpr uint32_t kSendWaitMs = 1000;

}  // namespace

struct NetworkChannel::Attempt {
  std::atomic<bool> cancelled{false};
  std::mutex lock;
  std::condition_variable endedChanged;
  bool ended = false;
  ConnectResult result;
  UniqueSocket socket;
};

NetworkChannel::NetworkChannel(AttemptEnded onAttemptEnded) : onAttemptEnded_(std::move(onAttemptEnded)) {}

NetworkChannel::~NetworkChannel() {
  Close();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kCancelBoundMs);
  for (auto& [attempt, thread] : threads_) {
    attempt->cancelled = true;
    std::unique_lock<std::mutex> lock(attempt->lock);
    const bool ended = attempt->endedChanged.wait_until(lock, deadline, [&] { return attempt->ended; });
    lock.unlock();
    // A thread that outlives the bound holds only its own share of the attempt.
    if (ended) {
      thread.join();
    } else {
      thread.detach();
    }
  }
}

bool NetworkChannel::Open(const NetworkInstrument& instrument, Pace pace) {
  if (!SameAddress(instrument.address, instrument_.address)) Close();
  instrument_ = instrument;
  TakeUpAttempt();
  if (socket_) return true;
  Carry(pace == Pace::Now ? keeper_.Connect(NowMs()) : keeper_.KeepUp(NowMs()));
  return static_cast<bool>(socket_);
}

void NetworkChannel::Close() { Carry(keeper_.Close()); }

bool NetworkChannel::SendQuery(const std::wstring& command) {
  if (!socket_) return false;
  if (!DropStaleBytes(*this)) {
    Carry(keeper_.Lost());
    return false;
  }
  const std::string_view end = LineEndBytes(instrument_.lineEnd);
  return SendAll(ToAnsi(command) + std::string(end));
}

std::string NetworkChannel::ReadReply() {
  if (!socket_) return {};
  NetworkReply reply = ReadNetworkReply(*this, kReplyTimeoutMs);
  Carry(reply.lost ? keeper_.Lost() : keeper_.Replied(reply.text.empty(), NowMs()));
  return std::move(reply.text);
}

// An attempt that has ended gives its connection, with the on-connect text sent, or its reason.
void NetworkChannel::TakeUpAttempt() {
  if (!attempt_) return;
  {
    const std::lock_guard<std::mutex> lock(attempt_->lock);
    if (!attempt_->ended) return;
    if (attempt_->result.Connected()) {
      socket_ = std::move(attempt_->socket);
    } else {
      lastFailure_ = ConnectFailureText(attempt_->result);
    }
  }
  attempt_.reset();
  keeper_.AttemptEnded(static_cast<bool>(socket_));
  ReapEndedAttempts();
  const std::wstring greeting = OnConnectLines(instrument_);
  if (socket_ && !greeting.empty()) SendAll(ToAnsi(greeting));
}

void NetworkChannel::Carry(ConnectionKeeper::Steps steps) {
  if (steps.drop) Drop();
  if (steps.attempt) BeginAttempt();
}

void NetworkChannel::Drop() {
  socket_.Reset();
  if (attempt_) {
    attempt_->cancelled = true;
    attempt_.reset();
  }
}

void NetworkChannel::BeginAttempt() {
  ReapEndedAttempts();
  attempt_ = std::make_shared<Attempt>();
  std::thread thread([attempt = attempt_, address = instrument_.address, notify = onAttemptEnded_] {
    WinsockConnectCalls calls(attempt->cancelled);
    const ConnectResult result = RunConnectAttempt(calls, address);
    {
      const std::lock_guard<std::mutex> lock(attempt->lock);
      attempt->result = result;
      attempt->socket = calls.TakeSocket();
      attempt->ended = true;
      attempt->endedChanged.notify_all();
    }
    if (!attempt->cancelled && notify) notify();
  });
  threads_.emplace_back(attempt_, std::move(thread));
}

// Threads of attempts that have ended are joined at once; they have nothing left to do.
void NetworkChannel::ReapEndedAttempts() {
  std::erase_if(threads_, [](auto& entry) {
    {
      const std::lock_guard<std::mutex> lock(entry.first->lock);
      if (!entry.first->ended) return false;
    }
    entry.second.join();
    return true;
  });
}

bool NetworkChannel::SendAll(const std::string& bytes) {
  size_t sent = 0;
  const uint64_t deadline = NowMs() + kSendWaitMs;
  while (sent < bytes.size() && socket_) {
    const int n = send(socket_.Get(), bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
    if (n > 0) {
      sent += static_cast<size_t>(n);
      continue;
    }
    if (WSAGetLastError() != WSAEWOULDBLOCK) {
      Carry(keeper_.Lost());
      return false;
    }
    const uint64_t now = NowMs();
    if (now >= deadline) return false;
    fd_set writable;
    FD_ZERO(&writable);
    FD_SET(socket_.Get(), &writable);
    const auto wait = static_cast<long>(deadline - now);
    timeval limit{wait / 1000, (wait % 1000) * 1000};
    select(0, nullptr, &writable, nullptr, &limit);
  }
  return sent == bytes.size();
}

Received NetworkChannel::Receive(char* buffer, size_t size, uint32_t waitMs) {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(socket_.Get(), &readable);
  timeval limit{static_cast<long>(waitMs / 1000), static_cast<long>(waitMs % 1000) * 1000};
  const int ready = select(0, &readable, nullptr, nullptr, &limit);
  if (ready == SOCKET_ERROR) return {Received::Status::Failed, 0};
  if (ready == 0) return {};
  const int n = recv(socket_.Get(), buffer, static_cast<int>(size), 0);
  if (n > 0) return {Received::Status::Data, static_cast<size_t>(n)};
  if (n == 0) return {Received::Status::Closed, 0};
  return WSAGetLastError() == WSAEWOULDBLOCK ? Received{} : Received{Received::Status::Failed, 0};
}

uint64_t NetworkChannel::NowMs() { return GetTickCount64(); }

}  // namespace velmar

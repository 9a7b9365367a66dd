#pragma once
#include <winsock2.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/instrument_address.h"
#include "network/connection_keeper.h"
#include "network/network_exchange.h"
#include "network/winsock_win.h"

namespace velmar {

// How eagerly a connection is made: at once (Start), or paced while the instrument cannot be
// reached (polls, the wait of an unattended start).
enum class Pace { Now, Paced };

// The link to a network instrument, driven from the window's thread without ever making it
// wait on the network: connections are made on a thread of their own, which calls back when
// it is done; a connection made is taken up by the next Open. Queries and replies go as the
// serial ones do, with the instrument's line end, read whatever has arrived in one call.
class NetworkChannel final : private StreamSource {
 public:
  // Called on an attempt's thread when the attempt has ended, e.g. to post a window a message.
  using AttemptEnded = std::function<void()>;

  explicit NetworkChannel(AttemptEnded onAttemptEnded);
  // Abandons what is under way; waits for the attempt's thread within kCancelBoundMs.
  ~NetworkChannel();
  NetworkChannel(const NetworkChannel&) = delete;
  NetworkChannel& operator=(const NetworkChannel&) = delete;

  // True while connected to this instrument (its on-connect text sent once the connection was
  // made); otherwise begins an attempt unless one is under way, and never waits.
  bool Open(const NetworkInstrument& instrument, Pace pace);
  void Close();
  bool IsOpen() const { return static_cast<bool>(socket_); }
  bool Connecting() const { return keeper_.Now() == ConnectionKeeper::State::Connecting; }
  // Why the last attempt failed ("connection refused" ...); empty until one has.
  const std::wstring& LastFailure() const { return lastFailure_; }

  // True when the whole query line went out; what came unasked is dropped first.
  bool SendQuery(const std::wstring& command);
  std::string ReadReply();

  static constexpr uint32_t kCancelBoundMs = 1000;

 private:
  struct Attempt;

  Received Receive(char* buffer, size_t size, uint32_t waitMs) override;
  uint64_t NowMs() override;

  void TakeUpAttempt();
  void Carry(ConnectionKeeper::Steps steps);
  void BeginAttempt();
  void Drop();
  bool SendAll(const std::string& bytes);
  void ReapEndedAttempts();

  WinsockScope winsock_;
  AttemptEnded onAttemptEnded_;
  NetworkInstrument instrument_;
  ConnectionKeeper keeper_;
  UniqueSocket socket_;
  std::wstring lastFailure_;
  std::shared_ptr<Attempt> attempt_;
  // The thread of every attempt not joined yet: the current one and those abandoned.
  std::vector<std::pair<std::shared_ptr<Attempt>, std::thread>> threads_;
};

}  // namespace velmar

#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace velmar {

// A network instrument's replies are cut here: far beyond any instrument's line, and a peer
// that floods the socket costs no more than this per poll.
inline constexpr size_t kMaxNetworkReplyBytes = 64 * 1024;
// What one call drops of bytes that came unasked; a flood is read no further per poll.
inline constexpr size_t kMaxStaleBytes = 1024 * 1024;

// One receive from the connection. Tests hand in a scripted peer and clock.
struct Received {
  enum class Status { Data, TimedOut, Closed, Failed };
  Status status = Status::TimedOut;
  size_t bytes = 0;
};

class StreamSource {
 public:
  virtual ~StreamSource() = default;
  // Whatever has arrived, up to `size` bytes, waiting at most waitMs for the first byte.
  virtual Received Receive(char* buffer, size_t size, uint32_t waitMs) = 0;
  virtual uint64_t NowMs() = 0;
};

// Drops what arrived since the last reply (a greeting, a prompt, the rest of a reply) without
// waiting; false when the peer closed or reset the connection.
bool DropStaleBytes(StreamSource& source);

struct NetworkReply {
  std::string text;
  // The peer closed or reset the connection during the read.
  bool lost = false;
};

// One reply, read within timeoutMs of the call: taken as it arrives, whatever has arrived in
// one receive, not byte by byte. A reply cut at the deadline or at maxBytes is returned as far
// as it came; what followed it is dropped before the next query.
NetworkReply ReadNetworkReply(StreamSource& source, uint32_t timeoutMs, size_t maxBytes = kMaxNetworkReplyBytes);

}  // namespace velmar

#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmar {

// What one poll needs from the serial link.
class PollLink {
 public:
  virtual ~PollLink() = default;
  virtual bool IsOpen() const = 0;
  // One attempt to open the run's port again at the run's rate: no waiting, no message.
  virtual bool Reopen() = 0;
  // True when the whole query line went out.
  virtual bool SendQuery() = 0;
  virtual std::string ReadReply() = 0;
};

struct PollResult {
  int point = 0;
  int64_t elapsedMs = 0;
  std::string reply;
  // The instrument's port is gone and could not be opened again.
  bool portLost = false;
};

// The point counter and the run's clock, and the order of one poll. The row is logged for
// every poll, also while the instrument is away, so the file shows when it was.
class LoggingRun {
 public:
  void Begin();
  // `now` is a 64-bit millisecond tick, which never wraps.
  PollResult Poll(PollLink& link, uint64_t now);

 private:
  int points_ = 0;
  // Taken at the first poll, so the first row shows 0 ms.
  std::optional<uint64_t> startTick_;
};

// The status line after a poll: "<elapsed>ms: <reply>", or the lost-port notice naming the
// instrument ("COM5", "10.0.0.5:5025"), which is ASCII.
std::string PollStatusText(const PollResult& result, std::wstring_view instrument);

}  // namespace velmar

#pragma once
#include <poll.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "tools/sim/byte_log.h"
#include "tools/sim/instrument_model.h"
#include "tools/sim/options.h"
#include "tools/sim/reply_shaper.h"
#include "tools/sim/sim_line.h"

namespace velmar::sim {

// The instrument on its end of the line (a pty, or a TCP port): collects query lines, answers
// them on schedule, and obeys the control commands.
class Simulator {
 public:
  using Clock = std::chrono::steady_clock;

  Simulator(const Options& options, std::uint64_t seed, std::FILE* record_file, Clock::time_point start);

  bool Replug(std::string& error);
  void Unplug();
  const SimLine& line() const { return *link_; }

  void AddPollFds(std::vector<pollfd>& fds, Clock::time_point now);
  void Dispatch(const std::vector<pollfd>& fds, Clock::time_point now);
  // Hands the reply pieces that are due to the pty.
  void RunDue(Clock::time_point now);
  std::optional<Clock::time_point> NextWakeUp() const;

  std::string Control(std::string_view command);
  bool quit_requested() const { return quit_; }

 private:
  struct Pending {
    Clock::time_point due;
    std::string bytes;
  };

  void Receive(Clock::time_point now);
  void Take(unsigned char byte, Clock::time_point now);
  void Answer(Clock::time_point now);
  void Flush();
  void Flood();
  void ForgetTraffic();
  // A new peer on the line: it is greeted, and the faults of the one before are over.
  void Greet();
  std::optional<std::string> FaultControl(const std::vector<std::string_view>& words);
  std::chrono::microseconds SinceStart(Clock::time_point t) const;

  std::unique_ptr<SimLine> link_;
  InstrumentModel model_;
  std::mt19937_64 rng_;
  ReplySettings reply_;
  ByteLog log_;
  // Every byte written to the line, so tests can check that the logger kept all of them.
  ByteLog sent_;
  std::FILE* record_file_;
  Clock::time_point start_;
  std::string line_;
  // Set by the control port: every query gets exactly this reply, e.g. constant values.
  std::optional<std::string> fixed_reply_;
  std::deque<Pending> pending_;
  std::string unsent_;
  Clock::time_point last_due_{};
  std::optional<Clock::time_point> quiet_until_;
  std::optional<std::size_t> poll_index_;
  std::uint64_t query_lines_ = 0;
  bool quit_ = false;
  // Sent to each new peer, with CR LF.
  std::string greeting_;
  // The connection looks open, but nothing is answered (a device server rebooted behind it).
  bool half_open_ = false;
  // Bytes without end, as fast as the line takes them.
  bool flooding_ = false;
};

}  // namespace velmar::sim

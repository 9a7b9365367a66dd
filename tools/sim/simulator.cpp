#include "tools/sim/simulator.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

#include "tools/sim/query_language.h"
#include "tools/sim/tcp_line.h"

namespace velmar::sim {

namespace {

// The other program's query lines are a few dozen bytes; anything longer is noise.
constexpr std::size_t kMaxLineLength = 64 * 1024;
// Replies nobody reads pile up here once the pty's own buffer is full; past this they are dropped.
constexpr std::size_t kMaxUnsent = 1024 * 1024;
// After a hang-up the master would report ready at once, over and over.
constexpr auto kQuietAfterHangUp = std::chrono::milliseconds(100);
// What a flood repeats, with no line end anywhere.
constexpr std::string_view kFloodPattern = "0123456789,";

}  // namespace

Simulator::Simulator(const Options& options, std::uint64_t seed, std::FILE* record_file,
                     Clock::time_point start)
    : link_(options.tcp_port ? std::unique_ptr<SimLine>(std::make_unique<TcpLine>(*options.tcp_port))
                             : std::make_unique<PtyLine>(options.link_path)),
      model_(seed),
      rng_(seed ^ 0x9E3779B97F4A7C15ULL),
      reply_(options.reply),
      record_file_(record_file),
      start_(start),
      greeting_(options.greeting) {}

bool Simulator::Replug(std::string& error) {
  if (link_->plugged()) return true;
  ForgetTraffic();
  return link_->Plug(error);
}

void Simulator::Unplug() {
  link_->Unplug();
  ForgetTraffic();
}

void Simulator::Greet() {
  ForgetTraffic();
  half_open_ = false;
  flooding_ = false;
  if (!greeting_.empty()) {
    unsent_ = greeting_ + "\r\n";
    Flush();
  }
}

void Simulator::ForgetTraffic() {
  line_.clear();
  pending_.clear();
  unsent_.clear();
  quiet_until_.reset();
}

std::chrono::microseconds Simulator::SinceStart(Clock::time_point t) const {
  return std::chrono::duration_cast<std::chrono::microseconds>(t - start_);
}

void Simulator::AddPollFds(std::vector<pollfd>& fds, Clock::time_point now) {
  poll_index_.reset();
  link_->AddPollFds(fds);
  if (quiet_until_ && now >= *quiet_until_) quiet_until_.reset();
  if (link_->data_fd() < 0 || quiet_until_) return;
  poll_index_ = fds.size();
  const bool writing = !unsent_.empty() || flooding_;
  fds.push_back({link_->data_fd(), static_cast<short>(POLLIN | (writing ? POLLOUT : 0)), 0});
}

void Simulator::Dispatch(const std::vector<pollfd>& fds, Clock::time_point now) {
  if (poll_index_ && link_->data_fd() >= 0) {
    const short revents = fds[*poll_index_].revents;
    if (revents & POLLOUT) Flush();
    if (revents & (POLLIN | POLLHUP | POLLERR)) Receive(now);
  }
  if (link_->Dispatch(fds)) Greet();
}

void Simulator::Receive(Clock::time_point now) {
  unsigned char buffer[4096];
  while (link_->data_fd() >= 0) {
    const ssize_t n = read(link_->data_fd(), buffer, sizeof buffer);
    if (n > 0) {
      for (ssize_t i = 0; i < n; ++i) Take(buffer[i], now);
      continue;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
    // A TCP client has left; a pty's EIO means no slave is open, which is not expected while we
    // hold one, but never fatal: wait and retry.
    if (link_->HungUp()) {
      ForgetTraffic();
    } else {
      quiet_until_ = now + kQuietAfterHangUp;
    }
    return;
  }
}

void Simulator::Take(unsigned char byte, Clock::time_point now) {
  const auto at = SinceStart(now);
  log_.Add(at, byte);
  if (record_file_) {
    std::fputs(ByteLog::RecordLine(at, byte).c_str(), record_file_);
    std::fflush(record_file_);
  }
  if (byte == '\n') {
    ++query_lines_;
    if (!half_open_) Answer(now);
    line_.clear();
  } else if (byte != '\r' && line_.size() < kMaxLineLength) {
    line_ += static_cast<char>(byte);
  }
}

void Simulator::Answer(Clock::time_point now) {
  model_.AdvanceTo(std::chrono::duration<double>(now - start_).count());
  const std::optional<std::string> values = fixed_reply_ ? fixed_reply_ : AnswerLine(line_, model_);
  if (!values) return;
  for (ReplyChunk& chunk : ShapeReply(*values, reply_, link_->baud(), rng_)) {
    // Pieces keep their order even when a later line was answered with a shorter delay.
    last_due_ = std::max(last_due_, now + chunk.offset);
    pending_.push_back({last_due_, std::move(chunk.bytes)});
  }
}

void Simulator::RunDue(Clock::time_point now) {
  while (!pending_.empty() && pending_.front().due <= now) {
    if (unsent_.size() < kMaxUnsent) unsent_ += pending_.front().bytes;
    pending_.pop_front();
  }
  Flush();
}

void Simulator::Flush() {
  if (flooding_) Flood();
  while (link_->data_fd() >= 0 && !unsent_.empty()) {
    const ssize_t n = write(link_->data_fd(), unsent_.data(), unsent_.size());
    if (n > 0) {
      const auto at = SinceStart(Clock::now());
      for (ssize_t i = 0; i < n; ++i) sent_.Add(at, static_cast<unsigned char>(unsent_[static_cast<std::size_t>(i)]));
      unsent_.erase(0, static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
    unsent_.clear();
  }
}

// Straight to the line, not through the record of sent bytes, which would grow without end.
void Simulator::Flood() {
  static const std::string chunk = [] {
    std::string bytes;
    while (bytes.size() < 64 * 1024) bytes += kFloodPattern;
    return bytes;
  }();
  while (link_->data_fd() >= 0 && write(link_->data_fd(), chunk.data(), chunk.size()) > 0) {
  }
}

std::optional<Simulator::Clock::time_point> Simulator::NextWakeUp() const {
  std::optional<Clock::time_point> wake = quiet_until_;
  if (!pending_.empty() && (!wake || pending_.front().due < *wake)) wake = pending_.front().due;
  return wake;
}

}  // namespace velmar::sim

#pragma once
#include <poll.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/sim/pty_link.h"

namespace velmar::sim {

// The instrument's end of the connection, whichever it is: the pty a COM port stands on, or a
// TCP listener serving one client at a time, as a serial device server does.
class SimLine {
 public:
  virtual ~SimLine() = default;
  // Makes the line available (a new pty pair; a listening socket), or takes it away.
  virtual bool Plug(std::string& error) = 0;
  virtual void Unplug() = 0;
  virtual bool plugged() const = 0;
  // Where the other side's bytes come from and replies go; -1 while nobody is there.
  virtual int data_fd() const = 0;
  // The descriptors the line watches besides the data one, and what came of them: true when a
  // new peer has arrived.
  virtual void AddPollFds(std::vector<pollfd>& fds) = 0;
  virtual bool Dispatch(const std::vector<pollfd>& fds) = 0;
  // The data descriptor reported end of file or an error: true when the peer is gone for good
  // (a TCP client), false when the line is only to be left alone for a while (a pty).
  virtual bool HungUp() = 0;
  // The rate the other side set on the line; 0 when there is none.
  virtual unsigned baud() const = 0;
  // "ok ..." or "error ..." for a command only this kind of line knows; none otherwise.
  virtual std::optional<std::string> Control(const std::vector<std::string_view>& words) = 0;
  // Where the line is, for messages.
  virtual std::string Describe() const = 0;
};

class PtyLine final : public SimLine {
 public:
  explicit PtyLine(std::string link_path) : link_(std::move(link_path)) {}

  bool Plug(std::string& error) override { return link_.Plug(error); }
  void Unplug() override { link_.Unplug(); }
  bool plugged() const override { return link_.plugged(); }
  int data_fd() const override { return link_.master_fd(); }
  void AddPollFds(std::vector<pollfd>&) override {}
  bool Dispatch(const std::vector<pollfd>&) override { return false; }
  bool HungUp() override { return false; }
  unsigned baud() const override;
  std::optional<std::string> Control(const std::vector<std::string_view>& words) override;
  std::string Describe() const override { return link_.slave_path(); }

 private:
  PtyLink link_;
};

}  // namespace velmar::sim

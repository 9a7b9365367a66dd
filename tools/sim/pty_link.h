#pragma once
#include <string>
#include <utility>

namespace velmar::sim {

// The instrument's end of the cable: a pseudo-terminal pair whose slave is published at a fixed
// symlink, so the program under test always opens the same path. Unplugging closes the pair
// (the other side's I/O then fails) and removes the link; plugging makes a fresh pair.
class PtyLink {
 public:
  explicit PtyLink(std::string link_path) : link_path_(std::move(link_path)) {}
  ~PtyLink();
  PtyLink(const PtyLink&) = delete;
  PtyLink& operator=(const PtyLink&) = delete;

  bool Plug(std::string& error);
  void Unplug();

  bool plugged() const { return master_fd_ >= 0; }
  int master_fd() const { return master_fd_; }
  // Held open so the line settings stay readable and the master never sees a hang-up while the
  // other program has the port closed.
  int slave_fd() const { return slave_fd_; }
  const std::string& slave_path() const { return slave_path_; }

 private:
  bool Publish(std::string& error);
  void RemoveLinkIfOurs();

  std::string link_path_;
  std::string slave_path_;
  int master_fd_ = -1;
  int slave_fd_ = -1;
};

}  // namespace velmar::sim

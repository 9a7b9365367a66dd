#include "tools/sim/pty_link.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace velmar::sim {

namespace {

std::string Describe(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

bool MakeRaw(int fd) {
  termios t{};
  if (tcgetattr(fd, &t) != 0) return false;
  cfmakeraw(&t);
  return tcsetattr(fd, TCSANOW, &t) == 0;
}

}  // namespace

PtyLink::~PtyLink() { Unplug(); }

bool PtyLink::Plug(std::string& error) {
  if (plugged()) return true;
  master_fd_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (master_fd_ < 0) {
    error = Describe("posix_openpt");
    return false;
  }
  const char* name = nullptr;
  if (grantpt(master_fd_) != 0 || unlockpt(master_fd_) != 0 || (name = ptsname(master_fd_)) == nullptr) {
    error = Describe("preparing the pty");
    Unplug();
    return false;
  }
  slave_path_ = name;
  slave_fd_ = open(slave_path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  // Raw from the start: with the default echo, the other side's queries would come straight
  // back to it until it configures the port itself.
  if (slave_fd_ < 0 || !MakeRaw(master_fd_) || !MakeRaw(slave_fd_)) {
    error = Describe("opening the pty slave");
    Unplug();
    return false;
  }
  if (!Publish(error)) {
    Unplug();
    return false;
  }
  return true;
}

void PtyLink::Unplug() {
  RemoveLinkIfOurs();
  if (slave_fd_ >= 0) close(slave_fd_);
  if (master_fd_ >= 0) close(master_fd_);
  slave_fd_ = master_fd_ = -1;
  slave_path_.clear();
}

bool PtyLink::Publish(std::string& error) {
  // A rename over the old link is atomic: the path never dangles and never is missing.
  const std::string temp = link_path_ + ".new." + std::to_string(getpid());
  unlink(temp.c_str());
  if (symlink(slave_path_.c_str(), temp.c_str()) != 0) {
    error = Describe(("symlink " + temp).c_str());
    return false;
  }
  if (rename(temp.c_str(), link_path_.c_str()) != 0) {
    error = Describe(("rename to " + link_path_).c_str());
    unlink(temp.c_str());
    return false;
  }
  return true;
}

void PtyLink::RemoveLinkIfOurs() {
  if (slave_path_.empty()) return;
  std::vector<char> target(slave_path_.size() + 2);
  const ssize_t n = readlink(link_path_.c_str(), target.data(), target.size());
  if (n >= 0 && std::string(target.data(), static_cast<std::size_t>(n)) == slave_path_)
    unlink(link_path_.c_str());
}

}  // namespace velmar::sim

#include "tools/sim/line_termios.h"

// The kernel's own termios2 carries the true speed; <termios.h> must stay out of this file,
// its struct termios clashes with the kernel's.
#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace velmar::sim {

std::optional<LineSettings> ReadLineSettings(int tty_fd) {
  termios2 t{};
  if (ioctl(tty_fd, TCGETS2, &t) != 0) return std::nullopt;

  LineSettings s{};
  s.speed = t.c_ospeed;
  switch (t.c_cflag & CSIZE) {
    case CS5: s.data_bits = 5; break;
    case CS6: s.data_bits = 6; break;
    case CS7: s.data_bits = 7; break;
    default: s.data_bits = 8; break;
  }
  s.parity = (t.c_cflag & PARENB) != 0;
  s.two_stop_bits = (t.c_cflag & CSTOPB) != 0;
  s.rts_cts = (t.c_cflag & CRTSCTS) != 0;
  s.xon_output = (t.c_iflag & IXON) != 0;
  s.xon_input = (t.c_iflag & IXOFF) != 0;
  const bool cooked_input = (t.c_iflag & (INLCR | IGNCR | ICRNL | ISTRIP | PARMRK)) != 0;
  const bool cooked_lines = (t.c_lflag & (ICANON | ECHO | ECHONL | ISIG)) != 0;
  const bool cooked_output = (t.c_oflag & OPOST) != 0;
  s.raw = !cooked_input && !cooked_lines && !cooked_output;
  return s;
}

std::string DescribeLineSettings(const LineSettings& s) {
  auto flag = [](bool on) { return on ? "1" : "0"; };
  std::string out = "speed=" + std::to_string(s.speed);
  out += " csize=" + std::to_string(s.data_bits);
  out += std::string(" parenb=") + flag(s.parity);
  out += std::string(" cstopb=") + flag(s.two_stop_bits);
  out += std::string(" crtscts=") + flag(s.rts_cts);
  out += std::string(" ixon=") + flag(s.xon_output);
  out += std::string(" ixoff=") + flag(s.xon_input);
  out += std::string(" raw=") + flag(s.raw);
  return out;
}

}  // namespace velmar::sim

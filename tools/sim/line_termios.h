#pragma once
#include <optional>
#include <string>

namespace velmar::sim {

// The serial settings the other side applied to its end of the line.
struct LineSettings {
  unsigned speed;  // baud
  int data_bits;
  bool parity;
  bool two_stop_bits;
  bool rts_cts;
  bool xon_output;
  bool xon_input;
  bool raw;  // no line editing, echo, signals or CR/LF translation
};

// Reads the settings of a tty. The real rate is read even when it is not one of the B* constants.
std::optional<LineSettings> ReadLineSettings(int tty_fd);

// "speed=<baud> csize=<5..8> parenb=<0|1> cstopb=<0|1> crtscts=<0|1> ixon=<0|1> ixoff=<0|1> raw=<0|1>"
std::string DescribeLineSettings(const LineSettings& settings);

}  // namespace velmar::sim

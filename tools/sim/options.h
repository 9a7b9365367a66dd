#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "tools/sim/reply_shaper.h"

namespace velmar::sim {

struct Options {
  std::string link_path;
  // In place of the pty: a TCP port on 127.0.0.1 (0: any free one).
  std::optional<std::uint16_t> tcp_port;
  std::string greeting;
  std::optional<std::uint64_t> seed;
  ReplySettings reply;
  std::string record_path;
  std::optional<std::uint16_t> control_port;
  std::string port_file;
  bool exit_with_control = false;
  double lifetime_s = 0.0;  // 0: run until told to stop
};

enum class ParseOutcome { kRun, kHelp, kError };

ParseOutcome ParseOptions(int argc, char** argv, Options& options, std::string& error);
const char* UsageText();

}  // namespace velmar::sim

#include "tools/sim/sim_line.h"

#include "tools/sim/line_termios.h"

namespace velmar::sim {

unsigned PtyLine::baud() const {
  if (!link_.plugged()) return 0;
  const auto settings = ReadLineSettings(link_.slave_fd());
  return settings ? settings->speed : 0;
}

std::optional<std::string> PtyLine::Control(const std::vector<std::string_view>& words) {
  if (words.size() != 1 || words[0] != "termios") return std::nullopt;
  if (!link_.plugged()) return "error unplugged";
  const auto settings = ReadLineSettings(link_.slave_fd());
  if (!settings) return "error cannot read the line settings";
  return "ok " + DescribeLineSettings(*settings);
}

}  // namespace velmar::sim

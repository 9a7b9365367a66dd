#pragma once
#include <cstdint>
#include <string>

namespace velmar::sim {

// A non-blocking socket listening on 127.0.0.1 and `port` (0: any free one, which `port` then
// holds), or -1 with `error` saying why, prefixed with `what`.
int ListenOnLoopback(std::uint16_t& port, const std::string& what, std::string& error);

}  // namespace velmar::sim

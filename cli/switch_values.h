#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "cli/command_line.h"

namespace velmar {

// Digits with an optional fraction, then an optional unit s, m or h (seconds without one),
// rounded to the nearest millisecond. No value for malformed text.
std::optional<std::uint64_t> ReadDurationMs(std::wstring_view text);

// /duration and /wait: empty when the time is taken, else what is wrong with it.
std::wstring ReadTime(std::wstring_view value, std::optional<std::uint64_t>& timeMs);

// HOST, HOST:PORT, [IPv6] or [IPv6]:PORT, each also after mqtt:// (plain) or mqtts:// (TLS,
// port 8883 unless given); "off" turns publishing off.
std::optional<BrokerAddress> ReadBrokerAddress(std::wstring_view text);

}  // namespace velmar

#pragma once
#include <string>
#include <string_view>

namespace velmar {

// A run's topic prefix: the one chosen, or "velmar/<computer name>/<instrument>", the
// instrument being "COM<n>" or a network instrument's "HOST:PORT".
std::wstring TopicPrefixFor(std::wstring_view chosen, std::wstring_view computerName, std::wstring_view instrument);

// Why a chosen prefix cannot be published under ("" when it can). The MQTT library's own rules
// decide (wildcards, control characters, text that is no valid UTF-8, length); beyond them,
// topics starting with $ are the broker's own.
std::wstring TopicPrefixProblem(std::wstring_view prefix);

// Unique per process, so two loggers on one computer never take each other's session.
std::wstring ClientIdFor(std::wstring_view computerName, unsigned long processId);

}  // namespace velmar

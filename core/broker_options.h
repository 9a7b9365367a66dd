#pragma once
#include <string>

namespace velmar {

inline constexpr int kDefaultBrokerPort = 1883;
inline constexpr int kHighestBrokerPort = 65535;

// Where a copy of every row and alarm goes: an MQTT broker. No host, no publishing.
struct BrokerOptions {
  std::wstring host;
  int port = kDefaultBrokerPort;
  // Empty: "velmar/<computer name>/COM<n>", fixed when a run starts.
  std::wstring topicPrefix;
  // Empty: the broker is asked without a user name.
  std::wstring user;
  // Held in memory only; the registry keeps it encrypted for the current user.
  std::wstring password;

  bool operator==(const BrokerOptions&) const = default;
};

}  // namespace velmar

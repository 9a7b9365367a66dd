#pragma once
#include <string>

namespace velmar {

inline constexpr int kDefaultBrokerPort = 1883;
inline constexpr int kDefaultTlsBrokerPort = 8883;
inline constexpr int kHighestBrokerPort = 65535;

constexpr int DefaultBrokerPort(bool tls) { return tls ? kDefaultTlsBrokerPort : kDefaultBrokerPort; }

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
  // TLS: the broker's certificate is checked against its name, and nothing goes in clear.
  bool tls = false;
  // PEM files, only their paths kept. No CA file: the certificates Windows trusts.
  std::wstring caFile{};
  // For brokers that ask for a client certificate; empty: none.
  std::wstring certFile{};
  std::wstring keyFile{};

  bool operator==(const BrokerOptions&) const = default;
};

enum class BrokerFile { Ca, Cert, Key };

// A TLS file that cannot be used, and why: "cannot be read: ...", "holds no PEM certificate".
struct BrokerFileProblem {
  BrokerFile file = BrokerFile::Ca;
  std::wstring path;
  std::wstring reason;
};

}  // namespace velmar

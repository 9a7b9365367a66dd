#pragma once
#include <optional>
#include <string>

#include "core/broker_options.h"

namespace velmar {

// A TLS broker's PEM texts, as read from its files. The network thread makes its context from
// these, so no file is read there.
struct TlsFiles {
  std::string caPem;    // empty: the certificates Windows trusts
  std::string certPem;  // empty: no client certificate
  std::string keyPem;   // empty with a certificate: its key is in certPem

  bool operator==(const TlsFiles&) const = default;
};

struct TlsFilesRead {
  TlsFiles files;
  // The first file that cannot be used; none when all can.
  std::optional<BrokerFileProblem> problem;
};

// Reads and checks the CA, certificate and key files of a TLS broker, at Start: a file that is
// missing, unreadable or not what it should be stops the run before it begins.
TlsFilesRead ReadTlsFiles(const BrokerOptions& broker);

}  // namespace velmar

#pragma once
#include <string>

#include "publish/tls_files_win.h"

namespace velmar::test {

// Certificates made for one test by Debian's openssl, in a folder of the test's own:
// "ca.pem" (the test's CA), "server-chain.pem"/"server.key" (localhost and 127.0.0.1, sent
// with the CA), "other-chain.pem"/"other.key" (another name), "client.pem"/"client.key" (a
// client certificate) and "other-ca.pem" (a CA that signed none of them). All readable by
// the broker, whatever user it runs as.
class TestCertificates {
 public:
  TestCertificates();
  TestCertificates(const TestCertificates&) = delete;
  TestCertificates& operator=(const TestCertificates&) = delete;

  bool Made() const { return made_; }
  std::string UnixPath(const std::string& name) const { return folder_ + "/" + name; }
  std::wstring WindowsPath(const std::string& name) const;
  std::string Pem(const std::string& name) const;
  // What a TLS subscriber trusts (the test CA), with the client certificate when asked.
  TlsFiles Trusting(bool withClientCertificate = false) const;

 private:
  std::string folder_;  // Unix path
  bool made_ = false;
};

}  // namespace velmar::test

#pragma once
#include <memory>
#include <string>

#include "publish/tls_pem.h"

namespace velmar {

// The TLS set-up of one publisher's connection, handed to libmosquitto as a context of our
// own: at least TLS 1.2, the broker's certificate checked against the trusted certificates
// (the CA file's, or those Windows trusts) and against the host name or address it was reached
// by, and the client certificate when there is one. There is no way to skip the check.
// Used on the network thread only.
class TlsContext {
 public:
  // Null, with the reason in `error`, when the context cannot be made.
  static std::unique_ptr<TlsContext> Make(const TlsFiles& files, const std::string& host, std::string& error);
  ~TlsContext();
  TlsContext(const TlsContext&) = delete;
  TlsContext& operator=(const TlsContext&) = delete;

  SSL_CTX* Handle() const { return context_.get(); }
  // Why the broker was refused since the last call, once, in OpenSSL's words:
  // "broker certificate not trusted: <reason>", or the broker's own fatal alert ("broker ended
  // the handshake: <reason>"); empty when nothing was refused.
  std::string TakeRefusal();

 private:
  explicit TlsContext(UniqueSslContext context);
  static int Verify(int preverified, X509_STORE_CTX* store);
  static void Info(const SSL* ssl, int where, int value);
  static TlsContext* Of(const SSL* ssl);

  UniqueSslContext context_;
  std::string refusal_;
};

}  // namespace velmar

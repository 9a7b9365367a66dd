#pragma once
#include <openssl/ssl.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "publish/tls_files_win.h"

namespace velmar {

// One owner per kind of OpenSSL object.
struct OpenSslFree {
  void operator()(X509* certificate) const { X509_free(certificate); }
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
  void operator()(SSL_CTX* context) const { SSL_CTX_free(context); }
  void operator()(BIO* bio) const { BIO_free(bio); }
};
using UniqueX509 = std::unique_ptr<X509, OpenSslFree>;
using UniqueKey = std::unique_ptr<EVP_PKEY, OpenSslFree>;
using UniqueSslContext = std::unique_ptr<SSL_CTX, OpenSslFree>;

// Sets the library up once, before any other call into it. No clean-up at exit: a network
// thread left to the end of the process may still be inside the library then.
void StartOpenSsl();

// Every certificate of a PEM text, in order; none when it holds none.
std::vector<UniqueX509> PemCertificates(std::string_view pem);
// The first private key of a PEM text; null when there is none, or only an encrypted one
// (nobody is there to type its pass phrase).
UniqueKey PemPrivateKey(std::string_view pem);

enum class PemFault { None, NoCaCertificate, NoCertificate, NoKey, KeyNotForCertificate };
// The first thing that makes the texts unusable.
PemFault CheckPem(const TlsFiles& files);

}  // namespace velmar

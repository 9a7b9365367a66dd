#include "publish/tls_pem.h"

#include <openssl/err.h>
#include <openssl/pem.h>

#include <climits>

namespace velmar {

namespace {

using UniqueBio = std::unique_ptr<BIO, OpenSslFree>;

UniqueBio ReadOnlyBio(std::string_view pem) {
  StartOpenSsl();
  return UniqueBio(BIO_new_mem_buf(pem.data(), pem.size() > INT_MAX ? INT_MAX : static_cast<int>(pem.size())));
}

// Refuses every pass phrase instead of asking for one on a console.
int NoPassPhrase(char*, int, int, void*) { return 0; }

}  // namespace

void StartOpenSsl() {
  static const bool started = OPENSSL_init_ssl(OPENSSL_INIT_NO_ATEXIT, nullptr) == 1;
  (void)started;
}

std::vector<UniqueX509> PemCertificates(std::string_view pem) {
  std::vector<UniqueX509> certificates;
  const UniqueBio bio = ReadOnlyBio(pem);
  while (bio) {
    UniqueX509 certificate(PEM_read_bio_X509(bio.get(), nullptr, NoPassPhrase, nullptr));
    if (!certificate) break;
    certificates.push_back(std::move(certificate));
  }
  // The end of the text reads as an error; it must not be left for the next call to find.
  ERR_clear_error();
  return certificates;
}

UniqueKey PemPrivateKey(std::string_view pem) {
  const UniqueBio bio = ReadOnlyBio(pem);
  UniqueKey key(bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, NoPassPhrase, nullptr) : nullptr);
  ERR_clear_error();
  return key;
}

PemFault CheckPem(const TlsFiles& files) {
  if (!files.caPem.empty() && PemCertificates(files.caPem).empty()) return PemFault::NoCaCertificate;
  if (files.certPem.empty()) return PemFault::None;
  const std::vector<UniqueX509> chain = PemCertificates(files.certPem);
  if (chain.empty()) return PemFault::NoCertificate;
  const UniqueKey key = PemPrivateKey(files.keyPem.empty() ? files.certPem : files.keyPem);
  if (!key) return PemFault::NoKey;
  const bool matches = X509_check_private_key(chain.front().get(), key.get()) == 1;
  ERR_clear_error();
  return matches ? PemFault::None : PemFault::KeyNotForCertificate;
}

}  // namespace velmar

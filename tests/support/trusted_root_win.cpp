#include "tests/support/trusted_root_win.h"

#include <windows.h>
#include <wincrypt.h>

namespace velmar::test {

namespace {

// The current user's part of "ROOT", in the registry, where other processes see it once the
// store is closed. (Through the whole "ROOT" collection a deletion would not reach it.)
class RootStore {
 public:
  RootStore()
      : store_(CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root")) {}
  ~RootStore() {
    if (store_) CertCloseStore(store_, 0);
  }
  RootStore(const RootStore&) = delete;
  RootStore& operator=(const RootStore&) = delete;
  HCERTSTORE Get() const { return store_; }

 private:
  HCERTSTORE store_;
};

}  // namespace

TrustedRoot::TrustedRoot(const std::string& pem) {
  DWORD size = 0;
  if (!CryptStringToBinaryA(pem.data(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER, nullptr, &size,
                            nullptr, nullptr)) {
    return;
  }
  der_.resize(size);
  if (!CryptStringToBinaryA(pem.data(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER, der_.data(),
                            &size, nullptr, nullptr)) {
    return;
  }
  const RootStore roots;
  added_ = roots.Get() && CertAddEncodedCertificateToStore(roots.Get(), X509_ASN_ENCODING, der_.data(), size,
                                                           CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
}

TrustedRoot::~TrustedRoot() {
  if (!added_) return;
  const RootStore roots;
  PCCERT_CONTEXT ours =
      CertCreateCertificateContext(X509_ASN_ENCODING, der_.data(), static_cast<DWORD>(der_.size()));
  if (!roots.Get() || !ours) return;
  // Deleting frees the context found.
  if (PCCERT_CONTEXT found = CertFindCertificateInStore(roots.Get(), X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, ours,
                                                        nullptr)) {
    CertDeleteCertificateFromStore(found);
  }
  CertFreeCertificateContext(ours);
}

}  // namespace velmar::test

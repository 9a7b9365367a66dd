#include "publish/windows_roots_win.h"

#include <windows.h>
#include <wincrypt.h>

#include "framework/unique_handle_win.h"

namespace velmar {

namespace {

struct CertStoreTraits {
  using Handle = HCERTSTORE;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept { CertCloseStore(h, 0); }
};
using UniqueCertStore = UniqueHandle<CertStoreTraits>;

}  // namespace

std::vector<std::string> WindowsRootCertificates() {
  std::vector<std::string> certificates;
  const UniqueCertStore roots(CertOpenSystemStoreW(0, L"ROOT"));
  if (!roots) return certificates;
  // Each call frees the entry before; the last returns none.
  for (PCCERT_CONTEXT entry = CertEnumCertificatesInStore(roots.Get(), nullptr); entry != nullptr;
       entry = CertEnumCertificatesInStore(roots.Get(), entry)) {
    certificates.emplace_back(reinterpret_cast<const char*>(entry->pbCertEncoded), entry->cbCertEncoded);
  }
  return certificates;
}

}  // namespace velmar

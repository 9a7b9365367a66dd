#include "publish/tls_context.h"

#include <utility>

#include <openssl/err.h>
#include <openssl/x509v3.h>

#include "publish/windows_roots_win.h"

namespace velmar {

namespace {

// Where a context finds its TlsContext from inside OpenSSL's callbacks.
int ContextIndex() {
  static const int index = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
  return index;
}

void AddWindowsRoots(X509_STORE* trusted) {
  for (const std::string& encoded : WindowsRootCertificates()) {
    const auto* der = reinterpret_cast<const unsigned char*>(encoded.data());
    const UniqueX509 certificate(d2i_X509(nullptr, &der, static_cast<long>(encoded.size())));
    if (certificate) X509_STORE_add_cert(trusted, certificate.get());
  }
}

bool UseClientCertificate(SSL_CTX* context, const TlsFiles& files) {
  const std::vector<UniqueX509> chain = PemCertificates(files.certPem);
  const UniqueKey key = PemPrivateKey(files.keyPem.empty() ? files.certPem : files.keyPem);
  if (chain.empty() || !key || SSL_CTX_use_certificate(context, chain.front().get()) != 1) return false;
  for (size_t i = 1; i < chain.size(); ++i) {
    if (SSL_CTX_add1_chain_cert(context, chain[i].get()) != 1) return false;
  }
  return SSL_CTX_use_PrivateKey(context, key.get()) == 1 && SSL_CTX_check_private_key(context) == 1;
}

// An address is checked as an address, anything else as a host name; no partial wildcards.
bool CheckPeerAgainst(SSL_CTX* context, const std::string& host) {
  X509_VERIFY_PARAM* check = SSL_CTX_get0_param(context);
  X509_VERIFY_PARAM_set_hostflags(check, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
  if (X509_VERIFY_PARAM_set1_ip_asc(check, host.c_str()) == 1) return true;
  return !host.empty() && X509_VERIFY_PARAM_set1_host(check, host.c_str(), host.size()) == 1;
}

}  // namespace

std::unique_ptr<TlsContext> TlsContext::Make(const TlsFiles& files, const std::string& host, std::string& error) {
  StartOpenSsl();
  UniqueSslContext context(SSL_CTX_new(TLS_client_method()));
  std::unique_ptr<TlsContext> made;
  if (!context || SSL_CTX_set_min_proto_version(context.get(), TLS1_2_VERSION) != 1) {
    error = "TLS cannot be set up";
  } else if (!files.certPem.empty() && !UseClientCertificate(context.get(), files)) {
    error = "the client certificate or its key cannot be used";
  } else if (!CheckPeerAgainst(context.get(), host)) {
    error = "the broker's name cannot be checked";
  } else {
    X509_STORE* trusted = SSL_CTX_get_cert_store(context.get());
    if (files.caPem.empty()) {
      AddWindowsRoots(trusted);
    } else {
      for (const UniqueX509& certificate : PemCertificates(files.caPem)) X509_STORE_add_cert(trusted, certificate.get());
    }
    SSL_CTX_set_verify(context.get(), SSL_VERIFY_PEER, Verify);
    SSL_CTX_set_info_callback(context.get(), Info);
    made.reset(new TlsContext(std::move(context)));
    SSL_CTX_set_ex_data(made->Handle(), ContextIndex(), made.get());
  }
  // A duplicate root, or an address that is a name, left errors behind; none is the broker's.
  ERR_clear_error();
  return made;
}

TlsContext::TlsContext(UniqueSslContext context) : context_(std::move(context)) {}

// libmosquitto holds the context too, and may outlive this.
TlsContext::~TlsContext() { SSL_CTX_set_ex_data(context_.get(), ContextIndex(), nullptr); }

std::string TlsContext::TakeRefusal() { return std::exchange(refusal_, std::string()); }

TlsContext* TlsContext::Of(const SSL* ssl) {
  return ssl ? static_cast<TlsContext*>(SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), ContextIndex())) : nullptr;
}

// The first fault of the broker's chain, its name included, is the one told.
int TlsContext::Verify(int preverified, X509_STORE_CTX* store) {
  if (preverified == 1) return 1;
  const auto* ssl = static_cast<const SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
  TlsContext* self = Of(ssl);
  if (self && self->refusal_.empty()) {
    self->refusal_ = std::string("broker certificate not trusted: ") +
                     X509_verify_cert_error_string(X509_STORE_CTX_get_error(store));
  }
  return 0;
}

// A fatal alert from the broker: it refused us, for instance for want of a client certificate.
void TlsContext::Info(const SSL* ssl, int where, int value) {
  if ((where & SSL_CB_READ_ALERT) != SSL_CB_READ_ALERT || (value >> 8) != SSL3_AL_FATAL) return;
  TlsContext* self = Of(ssl);
  if (!self || !self->refusal_.empty()) return;
  const char* reason = ERR_reason_error_string(ERR_PACK(ERR_LIB_SSL, 0, SSL_AD_REASON_OFFSET + (value & 0xff)));
  self->refusal_ = std::string("broker refused the TLS connection: ") +
                   (reason ? reason : SSL_alert_desc_string_long(value));
}

}  // namespace velmar

#include "publish/tls_files_win.h"

#include <windows.h>

#include "framework/unique_handle_win.h"
#include "publish/tls_pem.h"

namespace velmar {

namespace {

// Far above any certificate chain; a bigger file is not one.
constexpr DWORD kMaxPemBytes = 1u << 20;

std::wstring SystemMessage(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
      reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message(text ? text : L"", length);
  LocalFree(text);
  while (!message.empty() && (message.back() == L'.' || iswspace(message.back()))) message.pop_back();
  return message.empty() ? L"error " + std::to_wstring(code) : message;
}

// The file's bytes, or why they cannot be had.
std::optional<std::wstring> ReadWhole(const std::wstring& path, std::string& bytes) {
  const UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return L"cannot be read: " + SystemMessage(GetLastError());
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size)) return L"cannot be read: " + SystemMessage(GetLastError());
  if (size.QuadPart > kMaxPemBytes) return std::wstring(L"is too large for a PEM file");
  bytes.resize(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  if (!bytes.empty() && !ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) {
    return L"cannot be read: " + SystemMessage(GetLastError());
  }
  bytes.resize(read);
  return std::nullopt;
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

}  // namespace

TlsFilesRead ReadTlsFiles(const BrokerOptions& broker) {
  TlsFilesRead read;
  const struct {
    BrokerFile file;
    const std::wstring& path;
    std::string& pem;
  } files[] = {{BrokerFile::Ca, broker.caFile, read.files.caPem},
               {BrokerFile::Cert, broker.certFile, read.files.certPem},
               {BrokerFile::Key, broker.keyFile, read.files.keyPem}};
  for (const auto& [file, path, pem] : files) {
    if (path.empty()) continue;
    if (std::optional<std::wstring> reason = ReadWhole(path, pem)) {
      read.problem = BrokerFileProblem{file, path, std::move(*reason)};
      return read;
    }
  }
  if (broker.certFile.empty() && !broker.keyFile.empty()) {
    read.problem = BrokerFileProblem{BrokerFile::Key, broker.keyFile, L"has no certificate file to go with it"};
    return read;
  }
  // The key may sit in the certificate's file.
  const bool keyApart = !broker.keyFile.empty();
  switch (CheckPem(read.files)) {
    case PemFault::None:
      break;
    case PemFault::NoCaCertificate:
      read.problem = BrokerFileProblem{BrokerFile::Ca, broker.caFile, L"holds no PEM certificate"};
      break;
    case PemFault::NoCertificate:
      read.problem = BrokerFileProblem{BrokerFile::Cert, broker.certFile, L"holds no PEM certificate"};
      break;
    case PemFault::NoKey:
      read.problem = keyApart ? BrokerFileProblem{BrokerFile::Key, broker.keyFile,
                                                  L"holds no PEM private key without a pass phrase"}
                              : BrokerFileProblem{BrokerFile::Cert, broker.certFile,
                                                  L"holds no private key, and no key file is given"};
      break;
    case PemFault::KeyNotForCertificate:
      read.problem = BrokerFileProblem{keyApart ? BrokerFile::Key : BrokerFile::Cert,
                                       keyApart ? broker.keyFile : broker.certFile,
                                       keyApart ? L"is not the private key of the certificate " + Quoted(broker.certFile)
                                                : std::wstring(L"holds a private key that does not match its certificate")};
      break;
  }
  return read;
}

}  // namespace velmar

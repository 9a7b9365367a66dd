#include "tests/support/test_certificates_win.h"

#include <windows.h>

#include <fstream>
#include <iterator>

#include "tests/support/simulator_win.h"
#include "tools/driver/dialog_driver_win.h"

namespace velmar::test {

namespace {

// Each step checked; "made" only at the end, "failed" at the first fault.
constexpr char kScript[] = R"(set -e
trap '[ -f made ] || touch failed' EXIT
key() { openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$1" 2>/dev/null; }
ca() {
  key "$1.key"
  openssl req -x509 -new -key "$1.key" -subj "/CN=$2" -days 2 -out "$1.pem" \
    -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign
}
signed() {
  key "$1.key"
  openssl req -new -key "$1.key" -subj "/CN=$2" -out "$1.csr"
  printf '%s\n' "$3" >"$1.ext"
  openssl x509 -req -in "$1.csr" -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile "$1.ext" \
    -out "$1.pem" 2>/dev/null
}
ca ca "Velmar Test CA"
ca other-ca "Velmar Other CA"
signed server localhost "subjectAltName=DNS:localhost,IP:127.0.0.1"
signed other other.example "subjectAltName=DNS:other.example"
signed client velmar-client "extendedKeyUsage=clientAuth"
cat server.pem ca.pem >server-chain.pem
cat other.pem ca.pem >other-chain.pem
chmod a+r ./*
touch made
)";

std::string ReadAll(const std::wstring& path) {
  std::ifstream file(path.c_str(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

TestCertificates::TestCertificates() {
  folder_ = std::string(VELMAR_BROKER_DIR) + "/certificates-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(GetTickCount64());
  CreateDirectoryW(WinePath(VELMAR_BROKER_DIR).c_str(), nullptr);
  CreateDirectoryW(WinePath(folder_).c_str(), nullptr);
  {
    std::ofstream script(WindowsPath("make.sh").c_str(), std::ios::binary);
    script << kScript;
  }
  if (!StartUnixProgram("/bin/sh", "-c \"cd " + folder_ + " && sh make.sh\"")) return;
  driver::WaitFor([&] { return Exists(WindowsPath("made")) || Exists(WindowsPath("failed")); }, driver::Millis(30000));
  made_ = Exists(WindowsPath("made"));
}

std::wstring TestCertificates::WindowsPath(const std::string& name) const { return WinePath(UnixPath(name)); }

std::string TestCertificates::Pem(const std::string& name) const { return ReadAll(WindowsPath(name)); }

TlsFiles TestCertificates::Trusting(bool withClientCertificate) const {
  TlsFiles files{Pem("ca.pem"), "", ""};
  if (withClientCertificate) {
    files.certPem = Pem("client.pem");
    files.keyPem = Pem("client.key");
  }
  return files;
}

}  // namespace velmar::test

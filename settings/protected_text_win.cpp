#include "settings/protected_text_win.h"

#include <windows.h>
#include <dpapi.h>

namespace velmar {

namespace {

// The library allocates what it returns; LocalFree gives it back.
struct LocalBlob {
  DATA_BLOB blob{};
  ~LocalBlob() {
    if (blob.pbData) LocalFree(blob.pbData);
  }
};

}  // namespace

std::vector<unsigned char> ProtectForUser(const std::wstring& text) {
  if (text.empty()) return {};
  DATA_BLOB plain{static_cast<DWORD>(text.size() * sizeof(wchar_t)),
                  reinterpret_cast<BYTE*>(const_cast<wchar_t*>(text.data()))};
  LocalBlob sealed;
  if (!CryptProtectData(&plain, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &sealed.blob)) return {};
  return {sealed.blob.pbData, sealed.blob.pbData + sealed.blob.cbData};
}

std::optional<std::wstring> UnprotectForUser(const std::vector<unsigned char>& bytes) {
  if (bytes.empty()) return std::wstring();
  DATA_BLOB sealed{static_cast<DWORD>(bytes.size()), const_cast<BYTE*>(bytes.data())};
  LocalBlob plain;
  if (!CryptUnprotectData(&sealed, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &plain.blob)) {
    return std::nullopt;
  }
  std::wstring text(reinterpret_cast<const wchar_t*>(plain.blob.pbData), plain.blob.cbData / sizeof(wchar_t));
  SecureZeroMemory(plain.blob.pbData, plain.blob.cbData);
  return text;
}

}  // namespace velmar

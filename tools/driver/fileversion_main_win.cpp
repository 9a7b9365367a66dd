#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

// velmar-fileversion FILE
// Prints the file's version record as Windows reads it: "FileVersion ProductVersion a.b.c.d",
// the two texts and the fixed file version, for the installer's tests.
namespace {

std::wstring Field(const std::vector<BYTE>& record, const wchar_t* name) {
  wchar_t* value = nullptr;
  UINT length = 0;
  const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
  if (!VerQueryValueW(record.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || value == nullptr)
    return L"<missing>";
  return value;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fputs("usage: velmar-fileversion FILE\n", stderr);
    return 2;
  }
  DWORD ignored = 0;
  std::vector<BYTE> record(GetFileVersionInfoSizeW(argv[1], &ignored));
  if (record.empty() || !GetFileVersionInfoW(argv[1], 0, static_cast<DWORD>(record.size()), record.data())) {
    std::fwprintf(stderr, L"velmar-fileversion: no version record in %ls\n", argv[1]);
    return 1;
  }
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(record.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || fixed == nullptr) return 1;
  std::wprintf(L"%ls %ls %lu.%lu.%lu.%lu\n", Field(record, L"FileVersion").c_str(),
               Field(record, L"ProductVersion").c_str(), HIWORD(fixed->dwFileVersionMS),
               LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
  return 0;
}

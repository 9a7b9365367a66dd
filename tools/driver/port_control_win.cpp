#include "tools/driver/port_control_win.h"

#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <string>

extern "C" {
NTSTATUS NTAPI NtCreateSymbolicLinkObject(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PUNICODE_STRING);
NTSTATUS NTAPI NtOpenSymbolicLinkObject(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES);
NTSTATUS NTAPI NtMakeTemporaryObject(HANDLE);
}

namespace velmar::driver {
namespace {

constexpr ACCESS_MASK kSymbolicLinkAllAccess = 0xF0001;
constexpr ULONG kObjPermanent = 0x10;
constexpr ULONG kObjCaseInsensitive = 0x40;

UNICODE_STRING Unicode(std::wstring& text) {
  UNICODE_STRING u;
  u.Buffer = text.data();
  u.Length = static_cast<USHORT>(text.size() * sizeof(wchar_t));
  u.MaximumLength = u.Length;
  return u;
}

bool PortVisible(int portNumber) {
  wchar_t target[256];
  return QueryDosDeviceW((L"COM" + std::to_wstring(portNumber)).c_str(), target, 255) != 0;
}

}  // namespace

bool SetPortPresent(int portNumber, bool present) {
  if (PortVisible(portNumber) == present) return true;
  std::wstring linkName = L"\\DosDevices\\COM" + std::to_wstring(portNumber);
  UNICODE_STRING link = Unicode(linkName);
  OBJECT_ATTRIBUTES attributes;
  HANDLE handle = nullptr;
  NTSTATUS status;
  if (present) {
    std::wstring targetName = L"\\Device\\Serial" + std::to_wstring(portNumber - 1);
    UNICODE_STRING target = Unicode(targetName);
    InitializeObjectAttributes(&attributes, &link, kObjCaseInsensitive | kObjPermanent, nullptr, nullptr);
    status = NtCreateSymbolicLinkObject(&handle, kSymbolicLinkAllAccess, &attributes, &target);
  } else {
    InitializeObjectAttributes(&attributes, &link, kObjCaseInsensitive, nullptr, nullptr);
    status = NtOpenSymbolicLinkObject(&handle, DELETE, &attributes);
    if (status >= 0) status = NtMakeTemporaryObject(handle);
  }
  if (handle) CloseHandle(handle);
  return status >= 0 && PortVisible(portNumber) == present;
}

bool ShowOnlyPorts(const std::vector<int>& ports) {
  bool ok = true;
  for (int n = 1; n <= 255; ++n) {
    const bool wanted = std::find(ports.begin(), ports.end(), n) != ports.end();
    ok = SetPortPresent(n, wanted) && ok;
  }
  return ok;
}

}  // namespace velmar::driver

#include "serial/port_path.h"

#include <climits>

namespace velmar {

std::wstring ComDevicePath(int portNumber) {
  return L"\\\\.\\COM" + std::to_wstring(portNumber);
}

int PortNumberFromPath(std::wstring_view path) {
  const size_t at = path.find(L"COM");
  if (at == std::wstring_view::npos) return -1;
  long long value = 0;
  for (size_t i = at + 3; i < path.size() && path[i] >= L'0' && path[i] <= L'9'; ++i) {
    value = value * 10 + (path[i] - L'0');
    if (value > INT_MAX) return -1;
  }
  return static_cast<int>(value);
}

}  // namespace velmar

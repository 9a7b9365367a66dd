#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <vector>

#include "tools/driver/port_control_win.h"

// velmar-portctl only N...   leaves exactly COM<N>... visible
// velmar-portctl plug N | unplug N
int wmain(int argc, wchar_t** argv) {
  if (argc >= 2 && std::wcscmp(argv[1], L"only") == 0) {
    std::vector<int> ports;
    for (int i = 2; i < argc; ++i) ports.push_back(std::wcstol(argv[i], nullptr, 10));
    return velmar::driver::ShowOnlyPorts(ports) ? 0 : 1;
  }
  if (argc == 3 && (std::wcscmp(argv[1], L"plug") == 0 || std::wcscmp(argv[1], L"unplug") == 0)) {
    const bool plug = std::wcscmp(argv[1], L"plug") == 0;
    return velmar::driver::SetPortPresent(std::wcstol(argv[2], nullptr, 10), plug) ? 0 : 1;
  }
  std::fputs("usage: velmar-portctl only N... | plug N | unplug N\n", stderr);
  return 2;
}

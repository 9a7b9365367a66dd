#pragma once
#include <vector>

namespace velmar::driver {

// Test ports are registered with Wine up front; "plugging" links one back into the object
// namespace and "unplugging" removes its link, so the program's own device lookup sees the
// change. Works for any port number, unlike DefineDosDeviceW under Wine.
bool SetPortPresent(int portNumber, bool present);

// Leaves exactly these ports (of COM1 to COM255) visible.
bool ShowOnlyPorts(const std::vector<int>& ports);

}  // namespace velmar::driver

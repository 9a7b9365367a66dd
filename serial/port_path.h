#pragma once
#include <string>
#include <string_view>

namespace velmar {

// "\\.\COMn": the device path of port n; the prefix lets numbers above 9 open too.
std::wstring ComDevicePath(int portNumber);

// The decimal number after the first "COM" in a path, or -1 when there is none.
int PortNumberFromPath(std::wstring_view path);

}  // namespace velmar

#pragma once
#include <windows.h>

#include <string>
#include <string_view>

#include "serial/serial_port_win.h"

namespace velmar {

// The query line on the wire: the command and one LF, in the ANSI code page.
std::string QueryLineBytes(std::wstring_view command);

// Sends the query line; returns the number of bytes written.
DWORD SendQuery(CSerialPort& port, std::wstring_view command);

// One reply line, read within one second of the call; never fails, may be empty.
std::string ReadReply(CSerialPort& port);

}  // namespace velmar

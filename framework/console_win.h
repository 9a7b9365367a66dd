#pragma once
#include <string>

namespace velmar {

// Writes a message, its lines ended by CR LF, to the standard error of whoever started the
// program: the handle it was given (a batch file's redirection), or else the console of the
// parent process, if any. A program started without either writes nowhere, silently.
void TellStartingConsole(const std::wstring& message);

}  // namespace velmar

#pragma once
#include <string>

#include "cli/command_line.h"
#include "core/broker_options.h"

namespace velmar {

// Checked at Start: a TLS file given on the command line while the broker is reached in
// clear, as a switch error; empty when there is none. TLS is never turned on behind the user's
// back, nor a file silently left unused.
std::wstring BrokerSwitchesError(const BrokerOptions& broker, const CommandLineOptions& options);

// A TLS file that cannot be used, as a switch error when the command line named it.
std::wstring BrokerFileError(const BrokerFileProblem& problem, const CommandLineOptions& options);

}  // namespace velmar

#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/broker_options.h"
#include "core/column_limits.h"
#include "core/instrument_address.h"
#include "core/split_options.h"

namespace velmar {

struct BrokerAddress {
  std::wstring host;  // empty: no publishing
  int port = kDefaultBrokerPort;
  bool tls = false;

  bool operator==(const BrokerAddress&) const = default;
};

// What the command line asks for; an absent value leaves the remembered setting alone.
struct CommandLineOptions {
  std::optional<int> port;        // 1..255
  // /port tcp://HOST:PORT, in place of a COM port; the last /port wins.
  std::optional<NetworkAddress> network;
  // A network instrument's line end and on-connect text, for this process only.
  std::optional<LineEnd> lineEnd;
  std::optional<std::wstring> onConnect;
  std::optional<int> baudRate;    // one of the rates the dialog lists
  std::optional<int> intervalMs;  // 100..10000000
  std::optional<std::wstring> command;
  // The column titles to apply: from /header, else implied by the last /preset or /command.
  std::optional<std::wstring> header;
  std::optional<std::wstring> logPath;
  bool start = false;
  std::optional<std::uint64_t> durationMs;  // 1 ms .. 1000 h
  // How long /start waits for a missing port before giving up; 1 ms .. 1000 h.
  std::optional<std::uint64_t> waitMs;
  // From /limit, one per title (the last wins): for this process only, in place of the stored
  // limits, never stored. Empty when no /limit was given.
  std::vector<ColumnLimit> limits;
  bool closeWhenDone = false;
  bool minimized = false;
  bool chart = false;
  // For this process only; never stored.
  std::optional<SplitOptions> split;
  std::optional<BrokerAddress> mqtt;
  std::optional<std::wstring> topicPrefix;
  std::optional<std::wstring> mqttUser;
  // PEM files for a TLS broker.
  std::optional<std::wstring> mqttCaFile;
  std::optional<std::wstring> mqttCertFile;
  std::optional<std::wstring> mqttKeyFile;
  bool showUsage = false;

  bool operator==(const CommandLineOptions&) const = default;
};

struct CommandLineResult {
  CommandLineOptions options;  // all defaults when error is set
  std::wstring error;          // empty on success
  // /close was among the arguments, also when another was wrong: nobody may be there to
  // read the error, so it must not wait in a box.
  bool closeRequested = false;
  // The path the last /log gave, also when another switch was wrong: a fault in the switches
  // is told beside that log, never beside a stored one. Empty when no /log named one.
  std::wstring namedLogPath;
};

// args: the arguments after the program name, as CommandLineToArgvW split them.
// Switches start with '/' or '-', names ignore case; a value follows as the next argument or
// after ':' or '='. The last of a repeated switch wins; /limit repeats, the last for each
// title winning. /? or /help anywhere gives only showUsage, whatever else is wrong. Otherwise
// the first fault gives an error naming it.
CommandLineResult ParseCommandLine(const std::vector<std::wstring>& args);

// What becomes of switches that name a port, given whether that port is present now.
enum class PortOnStart { Present, WaitForIt, Missing };
PortOnStart PortOnStartFor(const CommandLineOptions& options, bool portPresent);

// "/port: COMn is not present."
std::wstring MissingPortError(int port);
// "/port: 10.0.0.5:5025 could not be reached: connection refused."
std::wstring UnreachableInstrumentError(const NetworkAddress& address, const std::wstring& reason);

// Checked at Start, when the run's column titles are known: the error for the first limit
// whose title names no column of the run (a mistyped title must not pass silently), or empty.
// Titles beyond the header are "Column n".
std::wstring LimitTitlesError(const std::vector<ColumnLimit>& limits, std::wstring_view header);

// The password never goes on the command line; this variable, when set, wins over the stored one.
inline constexpr wchar_t kBrokerPasswordVariable[] = L"VELMAR_MQTT_PASSWORD";

// The broker options of this process: the stored ones under the switches.
BrokerOptions BrokerForThisProcess(BrokerOptions stored, const CommandLineOptions& options,
                                   const std::optional<std::wstring>& passwordVariable);

// Every switch, one line each (name and description separated by a tab), and two examples.
std::wstring CommandLineUsage();

}  // namespace velmar

#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace velmar {

inline constexpr int kHighestTcpPort = 65535;

// How a query line (and the on-connect text) ends on the way to a network instrument.
enum class LineEnd { Lf, Cr, CrLf };

// "\n", "\r" or "\r\n".
std::string_view LineEndBytes(LineEnd end);
// "LF", "CR" or "CRLF", as stored and as /eol takes them (case ignored).
std::wstring_view LineEndName(LineEnd end);
std::optional<LineEnd> LineEndFromName(std::wstring_view name);

// A TCP instrument: a host name, an IPv4 address or an IPv6 address (kept without its
// brackets), and a port.
struct NetworkAddress {
  std::wstring host;
  int port = 0;

  bool operator==(const NetworkAddress&) const = default;
};

enum class Scheme { Required, Optional };

// "tcp://HOST:PORT" (the scheme in any case), HOST a name, a dotted IPv4 address or an IPv6
// address in brackets, PORT 1 to 65535; with Scheme::Optional also "HOST:PORT". Nothing else.
std::optional<NetworkAddress> ParseNetworkAddress(std::wstring_view text, Scheme scheme = Scheme::Required);
// "HOST:PORT", an IPv6 address in brackets: the address wherever "COM<n>" names a port.
std::wstring AddressText(const NetworkAddress& address);
// "tcp://HOST:PORT".
std::wstring AddressUrl(const NetworkAddress& address);
// Host names ignore case.
bool SameAddress(const NetworkAddress& a, const NetworkAddress& b);

// A network instrument as the user set it up: where it is, the line end of its queries, and
// the text sent once after each connection (lines separated by LF; empty: nothing).
struct NetworkInstrument {
  NetworkAddress address;
  LineEnd lineEnd = LineEnd::Lf;
  std::wstring onConnect;

  bool operator==(const NetworkInstrument&) const = default;
};

// The on-connect text as typed on the command line or in a one-line box: "\n" separates
// lines, "\\" is a backslash; and back.
std::wstring OnConnectFromSwitch(std::wstring_view text);
std::wstring OnConnectForSwitch(std::wstring_view lines);
// The bytes sent after a connection: each line of the text with the line end; nothing for none.
std::wstring OnConnectLines(const NetworkInstrument& instrument);

// Where a run's instrument is: a COM port (0 names none, as "<Auto>" does) or a network
// instrument, which then stands in for the port everywhere.
struct InstrumentAddress {
  int comPort = 0;
  std::optional<NetworkInstrument> network;

  bool operator==(const InstrumentAddress&) const = default;
};

// "COM5" or "10.0.0.5:5025".
std::wstring InstrumentName(const InstrumentAddress& address);

}  // namespace velmar

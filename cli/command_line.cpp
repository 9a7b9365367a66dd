#include "cli/command_line.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "core/decimal_text.h"
#include "core/presets.h"
#include "core/reply_fields.h"
#include "publish/mqtt_topics.h"
#include "settings/app_settings.h"
#include "settings/baud_table.h"
#include "settings/port_selection.h"

namespace velmar {

namespace {

// The dialog's own bounds and rate list.

constexpr std::uint64_t kMsPerSecond = 1000;
constexpr std::uint64_t kMsPerMinute = 60 * kMsPerSecond;
constexpr std::uint64_t kMsPerHour = 60 * kMsPerMinute;
constexpr std::uint64_t kMaxDurationMs = 1000 * kMsPerHour;
// Nine decimals are far finer than a millisecond of an hour; more are ignored.
constexpr std::size_t kMaxFractionDigits = 9;

enum class Switch {
  Port,
  Baud,
  Interval,
  Preset,
  Command,
  Header,
  Log,
  Duration,
  Wait,
  Start,
  Close,
  Minimized,
  Chart,
  Split,
  Limit,
  Mqtt,
  Topic,
  MqttUser,
  MqttCa,
  MqttCert,
  MqttKey,
  Eol,
  OnConnect,
};

enum class Takes {
  Nothing,
  Value,
  // Free text: the next argument is the value even if it starts with '/' or '-', and may be
  // empty (an empty log path means no log file, as in the dialog).
  Text,
};

struct SwitchInfo {
  std::wstring_view name;
  Switch id;
  Takes takes;
};

constexpr std::array<SwitchInfo, 23> kSwitches{{
    {L"port", Switch::Port, Takes::Value},
    {L"baud", Switch::Baud, Takes::Value},
    {L"interval", Switch::Interval, Takes::Value},
    {L"preset", Switch::Preset, Takes::Value},
    {L"command", Switch::Command, Takes::Text},
    {L"header", Switch::Header, Takes::Text},
    {L"log", Switch::Log, Takes::Text},
    {L"duration", Switch::Duration, Takes::Value},
    {L"wait", Switch::Wait, Takes::Value},
    {L"start", Switch::Start, Takes::Nothing},
    {L"close", Switch::Close, Takes::Nothing},
    {L"minimized", Switch::Minimized, Takes::Nothing},
    {L"chart", Switch::Chart, Takes::Nothing},
    {L"split", Switch::Split, Takes::Value},
    // A title may start with '-'.
    {L"limit", Switch::Limit, Takes::Text},
    {L"mqtt", Switch::Mqtt, Takes::Value},
    {L"topic", Switch::Topic, Takes::Text},
    {L"mqtt-user", Switch::MqttUser, Takes::Text},
    {L"mqtt-ca", Switch::MqttCa, Takes::Text},
    {L"mqtt-cert", Switch::MqttCert, Takes::Text},
    {L"mqtt-key", Switch::MqttKey, Takes::Text},
    {L"eol", Switch::Eol, Takes::Value},
    {L"on-connect", Switch::OnConnect, Takes::Text},
}};

struct NamedPreset {
  std::wstring_view name;
  const CommandPreset* preset;
};

constexpr std::array<NamedPreset, 3> kPresets{{
    {L"laser", &kLaserPreset},
    {L"tec", &kTecPreset},
    {L"combo", &kComboPreset},
}};

struct SwitchArg {
  std::wstring_view written;  // prefix and name as typed
  std::wstring_view name;
  std::optional<std::wstring_view> attached;
};

struct Draft {
  CommandLineOptions options;
  // Kept apart so an explicit /header beats /preset and /command in any order.
  std::optional<std::wstring> explicitHeader;
};

wchar_t AsciiLower(wchar_t c) {
  return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

// lower must be lower case already.
bool EqualsNoCase(std::wstring_view text, std::wstring_view lower) {
  return std::equal(text.begin(), text.end(), lower.begin(), lower.end(),
                    [](wchar_t a, wchar_t b) { return AsciiLower(a) == b; });
}

std::optional<SwitchArg> SplitSwitch(std::wstring_view arg) {
  if (arg.empty() || (arg[0] != L'/' && arg[0] != L'-')) {
    return std::nullopt;
  }
  const std::wstring_view rest = arg.substr(1);
  const std::size_t separator = rest.find_first_of(L":=");
  SwitchArg result{arg.substr(0, 1 + std::min(separator, rest.size())), rest.substr(0, separator),
                   std::nullopt};
  if (separator != std::wstring_view::npos) {
    result.attached = rest.substr(separator + 1);
  }
  return result;
}

bool IsHelpSwitch(const std::wstring& arg) {
  const std::optional<SwitchArg> split = SplitSwitch(arg);
  return split && (split->name == L"?" || EqualsNoCase(split->name, L"help"));
}

const SwitchInfo* FindSwitch(std::wstring_view name) {
  const auto found = std::find_if(kSwitches.begin(), kSwitches.end(),
                                  [name](const SwitchInfo& info) { return EqualsNoCase(name, info.name); });
  return found == kSwitches.end() ? nullptr : &*found;
}

std::wstring RateList() {
  std::wstring list;
  for (const int rate : kListedBaudRates) {
    list += (list.empty() ? L"" : L", ") + std::to_wstring(rate);
  }
  return list;
}

// Digits with an optional fraction, then an optional unit s, m or h (seconds without one),
// rounded to the nearest millisecond. No value for malformed text.
std::optional<std::uint64_t> ReadDurationMs(std::wstring_view text) {
  std::uint64_t unitMs = kMsPerSecond;
  if (!text.empty()) {
    const wchar_t unit = AsciiLower(text.back());
    if (unit == L's' || unit == L'm' || unit == L'h') {
      unitMs = unit == L'h' ? kMsPerHour : unit == L'm' ? kMsPerMinute : kMsPerSecond;
      text.remove_suffix(1);
    }
  }
  const std::size_t point = text.find(L'.');
  const std::wstring_view whole = text.substr(0, point);
  const std::wstring_view fraction =
      point == std::wstring_view::npos ? std::wstring_view{} : text.substr(point + 1);
  // Saturating just above the limit keeps the products below far from overflow.
  const DigitRun wholeUnits = ReadDigitRun(whole, kMaxDurationMs + 1);
  const DigitRun fractionDigits = ReadDigitRun(fraction.substr(0, kMaxFractionDigits));
  if (wholeUnits.length == 0 || wholeUnits.length != whole.size() ||
      (point != std::wstring_view::npos && (fraction.empty() || ReadDigitRun(fraction).length != fraction.size()))) {
    return std::nullopt;
  }
  std::uint64_t denominator = 1;
  for (std::size_t i = 0; i < fractionDigits.length; ++i) denominator *= 10;
  const std::uint64_t numerator = fractionDigits.value;
  return wholeUnits.value * unitMs + (numerator * unitMs + denominator / 2) / denominator;
}

// HOST, HOST:PORT, [IPv6] or [IPv6]:PORT, each also after mqtt:// (plain) or mqtts:// (TLS,
// port 8883 unless given); "off" turns publishing off.
std::optional<BrokerAddress> ReadBrokerAddress(std::wstring_view text) {
  if (EqualsNoCase(text, L"off")) return BrokerAddress{{}, kDefaultBrokerPort, false};
  bool tls = false;
  for (const bool secure : {false, true}) {
    const std::wstring_view scheme = secure ? L"mqtts://" : L"mqtt://";
    if (text.size() >= scheme.size() && EqualsNoCase(text.substr(0, scheme.size()), scheme)) {
      text.remove_prefix(scheme.size());
      tls = secure;
      break;
    }
  }
  std::wstring_view host = text;
  std::wstring_view port;
  if (!text.empty() && text.front() == L'[') {
    const std::size_t close = text.find(L']');
    if (close == std::wstring_view::npos) return std::nullopt;
    host = text.substr(1, close - 1);
    const std::wstring_view rest = text.substr(close + 1);
    if (!rest.empty() && (rest.front() != L':' || (port = rest.substr(1)).empty())) return std::nullopt;
  } else if (const std::size_t colon = text.find(L':'); colon != std::wstring_view::npos && text.find(L':', colon + 1) == std::wstring_view::npos) {
    host = text.substr(0, colon);
    port = text.substr(colon + 1);
    if (port.empty()) return std::nullopt;
  }
  BrokerAddress address{std::wstring(host), DefaultBrokerPort(tls), tls};
  if (!port.empty()) {
    const std::optional<int> number = AllDigits(port);
    if (!number || *number < 1 || *number > kHighestBrokerPort) return std::nullopt;
    address.port = *number;
  }
  if (address.host.empty()) return std::nullopt;
  return address;
}

std::wstring Quoted(std::wstring_view text) {
  return L"\"" + std::wstring(text) + L"\"";
}

// /duration and /wait: empty when the time is taken.
std::wstring ReadTime(std::wstring_view value, std::optional<std::uint64_t>& timeMs) {
  const std::optional<std::uint64_t> ms = ReadDurationMs(value);
  if (!ms) {
    return Quoted(value) + L" is not a time such as 90, 90s, 2m or 1.5h.";
  }
  if (*ms == 0 || *ms > kMaxDurationMs) {
    return Quoted(value) + L" is out of range: the time must be above 0 and at most 1000h.";
  }
  timeMs = *ms;
  return {};
}

bool IsCloseSwitch(const std::wstring& arg) {
  const std::optional<SwitchArg> split = SplitSwitch(arg);
  return split && EqualsNoCase(split->name, L"close");
}

// The value of the last /log, skipping values as the parser takes them; whatever else is wrong.
std::wstring NamedLogPath(const std::vector<std::wstring>& args) {
  std::wstring path;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::optional<SwitchArg> arg = SplitSwitch(args[i]);
    const SwitchInfo* info = arg ? FindSwitch(arg->name) : nullptr;
    if (!info || info->takes == Takes::Nothing) continue;
    std::optional<std::wstring_view> value = arg->attached;
    if (!value && i + 1 < args.size() && (info->takes == Takes::Text || !SplitSwitch(args[i + 1]))) value = args[++i];
    if (info->id == Switch::Log && value) path = *value;
  }
  return path;
}

// Empty when the value is taken; otherwise what is wrong with it.
std::wstring Apply(Switch id, std::wstring_view value, Draft& draft) {
  CommandLineOptions& options = draft.options;
  switch (id) {
    case Switch::Port: {
      if (value.size() >= 4 && EqualsNoCase(value.substr(0, 4), L"tcp:")) {
        const std::optional<NetworkAddress> address = ParseNetworkAddress(value);
        if (!address) {
          return Quoted(value) +
                 L" is not an address tcp://HOST:PORT (HOST a name, an IPv4 address or an IPv6 address in brackets; "
                 L"PORT 1 to 65535).";
        }
        options.network = *address;
        options.port.reset();
        break;
      }
      std::wstring_view number = value;
      if (number.size() >= 3 && EqualsNoCase(number.substr(0, 3), L"com")) {
        number.remove_prefix(3);
      }
      const std::optional<int> port = AllDigits(number);
      if (!port || *port < 1 || *port > kHighestPort) {
        return Quoted(value) + L" is not a port from COM1 to COM" + std::to_wstring(kHighestPort) + L".";
      }
      options.port = *port;
      options.network.reset();
      break;
    }
    case Switch::Baud: {
      const std::optional<int> rate = AllDigits(value);
      if (!rate || std::find(kListedBaudRates.begin(), kListedBaudRates.end(), *rate) == kListedBaudRates.end()) {
        return std::wstring(value) + L" is not one of " + RateList() + L".";
      }
      options.baudRate = *rate;
      break;
    }
    case Switch::Interval: {
      // The dialog's reader and messages, so both reject and accept the same texts.
      const IntTextResult interval = ReadBoundedInt(value, kMinInterval, kMaxInterval);
      if (interval.status != IntTextStatus::Ok) return RejectionMessage(interval.status, kMinInterval, kMaxInterval);
      options.intervalMs = interval.value;
      break;
    }
    case Switch::Preset: {
      const auto found = std::find_if(kPresets.begin(), kPresets.end(),
                                      [value](const NamedPreset& p) { return EqualsNoCase(value, p.name); });
      if (found == kPresets.end()) {
        return Quoted(value) + L" is not one of laser, tec, combo.";
      }
      options.command = found->preset->queryLine;
      options.header = found->preset->columnTitles;
      break;
    }
    case Switch::Command:
      // As typing into the dialog's command line does.
      options.command = std::wstring(value);
      options.header = kDefaultColumnTitles;
      break;
    case Switch::Header:
      draft.explicitHeader = std::wstring(value);
      break;
    case Switch::Log:
      options.logPath = std::wstring(value);
      break;
    case Switch::Duration:
      return ReadTime(value, options.durationMs);
    case Switch::Wait:
      return ReadTime(value, options.waitMs);
    case Switch::Limit: {
      LimitParse parsed = ParseLimitAssignment(value);
      if (!parsed.limit) return parsed.error;
      PutLimit(options.limits, std::move(*parsed.limit));
      break;
    }
    case Switch::Start:
      options.start = true;
      break;
    case Switch::Close:
      options.closeWhenDone = true;
      break;
    case Switch::Minimized:
      options.minimized = true;
      break;
    case Switch::Chart:
      options.chart = true;
      break;
    case Switch::Split: {
      if (EqualsNoCase(value, L"never")) {
        options.split = SplitOptions{SplitMode::Never, kDefaultSplitRows};
        break;
      }
      if (EqualsNoCase(value, L"daily")) {
        options.split = SplitOptions{SplitMode::Daily, kDefaultSplitRows};
        break;
      }
      const std::optional<int> rows = AllDigits(value);
      if (!rows || *rows < static_cast<int>(kMinSplitRows) || *rows > static_cast<int>(kMaxSplitRows)) {
        return Quoted(value) + L" is not never, daily or a number of rows from " + std::to_wstring(kMinSplitRows) +
               L" to " + std::to_wstring(kMaxSplitRows) + L".";
      }
      options.split = SplitOptions{SplitMode::Rows, static_cast<uint32_t>(*rows)};
      break;
    }
    case Switch::Mqtt: {
      const std::optional<BrokerAddress> address = ReadBrokerAddress(value);
      if (!address) {
        return Quoted(value) + L" is not HOST, HOST:PORT (port 1 to 65535), mqtt://HOST[:PORT], mqtts://HOST[:PORT] or off.";
      }
      options.mqtt = *address;
      break;
    }
    case Switch::Topic: {
      const std::wstring problem = TopicPrefixProblem(value);
      if (!problem.empty()) return problem;
      options.topicPrefix = std::wstring(value);
      break;
    }
    case Switch::MqttUser:
      options.mqttUser = std::wstring(value);
      break;
    case Switch::MqttCa:
      options.mqttCaFile = std::wstring(value);
      break;
    case Switch::MqttCert:
      options.mqttCertFile = std::wstring(value);
      break;
    case Switch::MqttKey:
      options.mqttKeyFile = std::wstring(value);
      break;
    case Switch::Eol: {
      const std::optional<LineEnd> end = LineEndFromName(value);
      if (!end) return Quoted(value) + L" is not lf, cr or crlf.";
      options.lineEnd = *end;
      break;
    }
    case Switch::OnConnect:
      options.onConnect = OnConnectFromSwitch(value);
      break;
  }
  return {};
}

CommandLineResult Failure(std::wstring error) {
  return {CommandLineOptions{}, std::move(error), false, {}};
}

CommandLineResult ParseSwitches(const std::vector<std::wstring>& args) {
  Draft draft;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::optional<SwitchArg> arg = SplitSwitch(args[i]);
    if (!arg) {
      return Failure(L"Unexpected argument " + Quoted(args[i]) + L".");
    }
    const SwitchInfo* info = FindSwitch(arg->name);
    if (!info) {
      return Failure(L"Unknown switch " + Quoted(arg->written) + L".");
    }
    const std::wstring name = L"/" + std::wstring(info->name);
    std::optional<std::wstring_view> value = arg->attached;
    if (info->takes == Takes::Nothing) {
      if (value) {
        return Failure(L"The switch " + name + L" takes no value.");
      }
    } else {
      if (!value && i + 1 < args.size() && (info->takes == Takes::Text || !SplitSwitch(args[i + 1]))) {
        value = args[++i];
      }
      if (!value || (info->takes == Takes::Value && value->empty())) {
        return Failure(L"The switch " + name + L" needs a value.");
      }
    }
    const std::wstring error = Apply(info->id, value.value_or(std::wstring_view{}), draft);
    if (!error.empty()) {
      return Failure(name + L": " + error);
    }
  }
  if (draft.explicitHeader) {
    draft.options.header = std::move(draft.explicitHeader);
  }
  return {std::move(draft.options), {}, false, {}};
}

}  // namespace

CommandLineResult ParseCommandLine(const std::vector<std::wstring>& args) {
  CommandLineResult result;
  if (std::any_of(args.begin(), args.end(), IsHelpSwitch)) {
    result.options.showUsage = true;
  } else {
    result = ParseSwitches(args);
  }
  result.closeRequested = std::any_of(args.begin(), args.end(), IsCloseSwitch);
  result.namedLogPath = NamedLogPath(args);
  return result;
}

std::wstring CommandLineUsage() {
  return L"Usage: VelmarDataLogger [switches]\n"
         L"\n"
         L"/port COMn\tThe serial port, COM1 to COM255 (or just the number).\n"
         L"/port tcp://HOST:PORT\tA network instrument: a host name, an IPv4 address or an IPv6 address in "
         L"brackets, and a port.\n"
         L"/eol lf|cr|crlf\tThe line end of a network instrument's queries, for this run only.\n"
         L"/on-connect TEXT\tSent to a network instrument after each connection (\\n between lines), for this run "
         L"only.\n"
         L"/baud RATE\t1200, 2400, 9600, 19200, 38400, 57600 or 115200.\n"
         L"/interval MS\tMilliseconds between measurements, 100 to 10000000.\n"
         L"/preset NAME\tlaser, tec or combo: its commands and column titles.\n"
         L"/command TEXT\tThe instrument commands; titles \"Response(s)\" unless /header.\n"
         L"/header TEXT\tThe column titles.\n"
         L"/log PATH\tThe log file.\n"
         L"/start\tStart the run.\n"
         L"/duration TIME\tStop the run after TIME: seconds, or with s, m or h (90, 2m, 1.5h; at most 1000h).\n"
         L"/wait TIME\tWith /start, give up waiting for a missing port after TIME (as /duration).\n"
         L"/limit \"TITLE=LOW..HIGH[/N]\"\tAlarm when the column TITLE is below LOW or above HIGH for N polls in a "
         L"row (1 unless given); either side may be empty; repeat for more columns. For this run only.\n"
         L"/close\tEnd the program when the run has ended.\n"
         L"/minimized\tOpen the window minimized.\n"
         L"/chart\tOpen the live chart.\n"
         L"/split WHEN\tStart a new log file: never, daily (at midnight) or every ROWS rows (10 to 100000000).\n"
         L"/mqtt HOST[:PORT]\tPublish every row to this MQTT broker (port 1883 unless given); /mqtt off does not.\n"
         L"/mqtt mqtts://HOST[:PORT]\tThe same over TLS (port 8883 unless given); mqtt://HOST[:PORT] is plain.\n"
         L"/topic PREFIX\tThe topics' prefix; velmar/<computer name>/COM<n> unless given.\n"
         L"/mqtt-user NAME\tThe user name for the broker; the password comes from VELMAR_MQTT_PASSWORD.\n"
         L"/mqtt-ca FILE\tTrust the TLS broker's certificate from this CA (PEM), not from those Windows trusts.\n"
         L"/mqtt-cert FILE\tThe client certificate (PEM) for a TLS broker that asks for one.\n"
         L"/mqtt-key FILE\tIts private key (PEM), unless the certificate's file holds it.\n"
         L"/? or /help\tShow this text.\n"
         L"\n"
         L"Switches may also start with -; a value may also follow a : or =.\n"
         L"\n"
         L"Examples:\n"
         L"VelmarDataLogger /port COM5 /baud 115200 /interval 1000 /preset combo "
         L"/log \"C:\\Lab Data\\run.csv\" /start /duration 2h /close\n"
         L"VelmarDataLogger /port 3 /command \"tec:t?;err?\" /header \"TEC Sensor T,Errors\" /minimized\n";
}

PortOnStart PortOnStartFor(const CommandLineOptions& options, bool portPresent) {
  if (!options.port || portPresent) return PortOnStart::Present;
  // An adapter may still be enumerating after a reboot: a run that is to start waits for it.
  return options.start ? PortOnStart::WaitForIt : PortOnStart::Missing;
}

BrokerOptions BrokerForThisProcess(BrokerOptions stored, const CommandLineOptions& options,
                                   const std::optional<std::wstring>& passwordVariable) {
  if (options.mqtt) {
    stored.host = options.mqtt->host;
    stored.port = options.mqtt->port;
    stored.tls = options.mqtt->tls;
  }
  if (options.topicPrefix) stored.topicPrefix = *options.topicPrefix;
  if (options.mqttUser) stored.user = *options.mqttUser;
  if (options.mqttCaFile) stored.caFile = *options.mqttCaFile;
  if (options.mqttCertFile) stored.certFile = *options.mqttCertFile;
  if (options.mqttKeyFile) stored.keyFile = *options.mqttKeyFile;
  if (passwordVariable) stored.password = *passwordVariable;
  return stored;
}

std::wstring MissingPortError(int port) { return L"/port: COM" + std::to_wstring(port) + L" is not present."; }

std::wstring UnreachableInstrumentError(const NetworkAddress& address, const std::wstring& reason) {
  return L"/port: " + AddressText(address) + L" could not be reached" + (reason.empty() ? L"" : L": " + reason) + L".";
}

std::wstring LimitTitlesError(const std::vector<ColumnLimit>& limits, std::wstring_view header) {
  const std::vector<std::wstring> titles = SplitTitles(header);
  for (const ColumnLimit& limit : limits) {
    if (!ColumnsTitled(titles, limit.title).empty()) continue;
    std::wstring known;
    for (std::size_t column = 0; column < titles.size(); ++column) {
      known += (known.empty() ? L"" : L", ") + std::wstring(TrimmedTitle(ColumnTitle(titles, column)));
    }
    return L"/limit: " + Quoted(limit.title) + L" is not a column title of this run" +
           (known.empty() ? L"." : L" (" + known + L").");
  }
  return {};
}

}  // namespace velmar

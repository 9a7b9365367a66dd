#include "cli/command_line.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "cli/switch_text.h"
#include "cli/switch_values.h"
#include "core/decimal_text.h"
#include "core/presets.h"
#include "core/reply_fields.h"
#include "publish/mqtt_topics.h"
#include "settings/app_settings.h"
#include "settings/baud_table.h"
#include "settings/port_selection.h"

namespace velmar {

namespace {

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

}  // namespace velmar

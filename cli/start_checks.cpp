#include "cli/command_line.h"
#include "cli/switch_text.h"
#include "core/reply_fields.h"

namespace velmar {

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

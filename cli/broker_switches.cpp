#include "cli/broker_switches.h"

#include "cli/switch_text.h"

namespace velmar {

std::wstring BrokerSwitchesError(const BrokerOptions& broker, const CommandLineOptions& options) {
  if (broker.host.empty() || broker.tls) return {};
  const std::wstring clear =
      L" is for a TLS broker, and this one is reached in clear (/mqtt mqtts://HOST[:PORT] uses TLS).";
  if (options.mqttCaFile) return L"/mqtt-ca" + clear;
  if (options.mqttCertFile) return L"/mqtt-cert" + clear;
  if (options.mqttKeyFile) return L"/mqtt-key" + clear;
  return {};
}

std::wstring BrokerFileError(const BrokerFileProblem& problem, const CommandLineOptions& options) {
  std::wstring named;
  switch (problem.file) {
    case BrokerFile::Ca:
      named = options.mqttCaFile ? L"/mqtt-ca: " : L"The broker's CA file ";
      break;
    case BrokerFile::Cert:
      named = options.mqttCertFile ? L"/mqtt-cert: " : L"The client certificate file ";
      break;
    case BrokerFile::Key:
      named = options.mqttKeyFile ? L"/mqtt-key: " : L"The client key file ";
      break;
  }
  return named + Quoted(problem.path) + L" " + problem.reason + L".";
}

}  // namespace velmar

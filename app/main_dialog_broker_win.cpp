#include <string>

#include "app/main_dialog_win.h"
#include "cli/broker_switches.h"
#include "publish/tls_files_win.h"

namespace {

std::wstring HostAndPort(const velmar::BrokerOptions& broker) {
  const bool ipv6 = broker.host.find(L':') != std::wstring::npos;
  return (ipv6 ? L"[" + broker.host + L"]" : broker.host) + L":" + std::to_wstring(broker.port);
}

}  // namespace

std::optional<CVelmarDataLoggerDlg::BrokerRun> CVelmarDataLoggerDlg::PrepareBroker(std::wstring& error) const {
  BrokerRun broker{BrokerOptions(), {}};
  if (broker.options.host.empty()) return broker;
  error = velmar::BrokerSwitchesError(broker.options, switches_.options);
  if (!error.empty()) return std::nullopt;
  if (!broker.options.tls) return broker;
  velmar::TlsFilesRead read = velmar::ReadTlsFiles(broker.options);
  if (read.problem) {
    error = velmar::BrokerFileError(*read.problem, switches_.options);
    return std::nullopt;
  }
  broker.tlsFiles = std::move(read.files);
  return broker;
}

// As for a refused password: one line in the events file and one box at most, and the
// publisher keeps trying. It never falls back to sending in clear.
void CVelmarDataLoggerDlg::OnBrokerTlsRefused(const std::wstring& reason) {
  if (brokerTlsRefusalShown_) return;
  brokerTlsRefusalShown_ = true;
  const std::wstring text = L"TLS to the MQTT broker failed: " + reason +
                            L". Nothing is sent to the broker until this is mended; the run goes on, and the logger "
                            L"keeps trying.";
  if (!switches_.closeRequested) alarms_->Message(logFilePath_, text);
  ShowMessage(text);
}

void CVelmarDataLoggerDlg::TellClearPassword(const velmar::BrokerOptions& broker) {
  if (broker.host.empty() || broker.tls || broker.user.empty() || broker.password.empty()) return;
  alarms_->Message(logFilePath_, L"The MQTT password goes to " + HostAndPort(broker) +
                                     L" unencrypted: anyone on the network can read it. \"Encrypt (TLS)\" in Log "
                                     L"Options, or /mqtt mqtts://HOST, sends it encrypted.");
}

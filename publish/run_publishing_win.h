#pragma once
#include <functional>
#include <memory>
#include <vector>

#include "core/broker_options.h"
#include "core/run_types.h"
#include "publish/mqtt_messages.h"
#include "publish/mqtt_publisher_win.h"

namespace velmar {

// The broker side of a process's runs, a row listener for all of them. A run that starts with
// a broker set gets a publisher, whose topics and will are fixed then; the next run keeps it
// when the options are the same, and replaces it when they are not. The publishers end at the
// latest when this does, within kPublisherExitBound.
class RunPublishing final : public RowListener {
 public:
  // Called on a network thread, once per publisher, when the broker refuses the user name or
  // password.
  // onTlsRefused: likewise, when TLS refuses the broker or the broker refuses us.
  explicit RunPublishing(MqttPublisher::RefusedHandler onRefused, MqttPublisher::TlsRefusedHandler onTlsRefused = {})
      : onRefused_(std::move(onRefused)), onTlsRefused_(std::move(onTlsRefused)) {}
  ~RunPublishing() override;

  // A run starts, or waits for its port: `comPort` names the default topic prefix. With TLS,
  // `tlsFiles` are the texts of the options' files, read at Start.
  void RunStarting(const BrokerOptions& options, const TlsFiles& tlsFiles, int comPort, RunState state);
  void SetState(RunState state);
  void Publish(const AlarmMessage& event);
  // An alarm or clear as the events file has it: texts as shown, the value as sent (not a
  // number for a health alarm), dated by the poll's local clock.
  void PublishAlarm(const LocalDateTime& time, int point, const std::wstring& source, const std::wstring& value,
                    const std::wstring& limit, bool raised);

  void OnRunStarted(const RunHeader& header) override;
  void OnRow(const LoggedRow& row) override;

 private:
  void Retire();

  MqttPublisher::RefusedHandler onRefused_;
  MqttPublisher::TlsRefusedHandler onTlsRefused_;
  std::unique_ptr<MqttPublisher> publisher_;
  BrokerOptions options_;
  TlsFiles tlsFiles_;
  std::wstring prefix_;
  // Replaced publishers finishing on their own threads; the window's thread never waits.
  std::vector<std::unique_ptr<MqttPublisher>> retired_;
};

}  // namespace velmar

#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/broker_options.h"
#include "core/run_types.h"
#include "publish/mqtt_messages.h"
#include "publish/mqtt_publisher_win.h"

namespace velmar {

// What the network threads have to tell, as lines for the events file.
struct PublishingNews {
  bool credentialsRefused = false;
  // What TLS refused, in OpenSSL's words; empty when nothing.
  std::wstring tlsRefusal;
  std::vector<std::wstring> lines;
};

// The broker side of a process's runs, a row listener for all of them. A run that starts with
// a broker set gets a publisher, whose topics and will are fixed then; the next run keeps it
// when the options are the same, and replaces it when they are not. The publishers end at the
// latest when this does, within kPublisherExitBound.
class RunPublishing final : public RowListener {
 public:
  // onNews: called on a network thread when there is news to take.
  explicit RunPublishing(MqttPublisher::NewsHandler onNews, QueueBounds bounds = {})
      : onNews_(std::move(onNews)), bounds_(bounds) {}
  ~RunPublishing() override;

  // A run starts, or waits for its instrument ("COM5", "10.0.0.5:5025"), which names the
  // default topic prefix. With TLS, `tlsFiles` are the texts of the options' files, read at
  // Start.
  void RunStarting(const BrokerOptions& options, const TlsFiles& tlsFiles, const std::wstring& instrument,
                   RunState state);
  void SetState(RunState state);
  void Publish(const AlarmMessage& event);
  // An alarm or clear as the events file has it: texts as shown, the value as sent (not a
  // number for a health alarm), dated by the poll's local clock.
  void PublishAlarm(const LocalDateTime& time, int point, const std::wstring& source, const std::wstring& value,
                    const std::wstring& limit, bool raised);
  // The news since the last call; when a run ends, also the drops of an outage still going on.
  PublishingNews TakeNews(bool runEnded = false);
  // For the run's end line: the messages of the run since RunStarting that were not published
  // ("" when none).
  std::wstring RunLosses() const;

  void OnRunStarted(const RunHeader& header) override;
  void OnRow(const LoggedRow& row) override;

 private:
  void Retire();

  MqttPublisher::NewsHandler onNews_;
  QueueBounds bounds_;
  std::unique_ptr<MqttPublisher> publisher_;
  BrokerOptions options_;
  TlsFiles tlsFiles_;
  std::wstring prefix_;
  // The publisher's counts when the run started.
  PublisherStats atRunStart_;
  // Replaced publishers finishing on their own threads; the window's thread never waits.
  std::vector<std::unique_ptr<MqttPublisher>> retired_;
};

}  // namespace velmar

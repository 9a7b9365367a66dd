#include "publish/run_publishing_win.h"

#include <windows.h>

#include <chrono>
#include <limits>

#include "core/reply_fields.h"
#include "framework/ansi_text_win.h"
#include "publish/mqtt_topics.h"

namespace velmar {

namespace {

std::wstring ComputerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  return GetComputerNameW(name, &size) ? std::wstring(name, size) : std::wstring();
}

}  // namespace

RunPublishing::~RunPublishing() {
  Retire();
  // One bound for all: each waits only for what is left of it.
  const auto deadline = std::chrono::steady_clock::now() + kPublisherExitBound;
  for (const std::unique_ptr<MqttPublisher>& publisher : retired_) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    publisher->Stop(std::max(left, std::chrono::milliseconds(0)));
  }
}

void RunPublishing::RunStarting(const BrokerOptions& options, const TlsFiles& tlsFiles, int comPort, RunState state) {
  const std::wstring computer = ComputerName();
  const std::wstring prefix = TopicPrefixFor(options.topicPrefix, computer, comPort);
  if (publisher_ && (options != options_ || tlsFiles != tlsFiles_ || prefix != prefix_)) Retire();
  if (options.host.empty()) return;
  if (publisher_) {
    publisher_->SetState(state);
    return;
  }
  options_ = options;
  tlsFiles_ = tlsFiles;
  prefix_ = prefix;
  PublisherSettings settings{ToUtf8(options.host), options.port, ToUtf8(prefix),
                             ToUtf8(ClientIdFor(computer, GetCurrentProcessId())), ToUtf8(options.user),
                             ToUtf8(options.password), options.tls, options.tls ? tlsFiles : TlsFiles{}};
  publisher_ = std::make_unique<MqttPublisher>(std::move(settings), state, onRefused_, onTlsRefused_);
}

void RunPublishing::SetState(RunState state) {
  if (publisher_) publisher_->SetState(state);
}

void RunPublishing::Publish(const AlarmMessage& event) {
  if (publisher_) publisher_->Publish(event);
}

void RunPublishing::PublishAlarm(const LocalDateTime& time, int point, const std::wstring& source,
                                 const std::wstring& value, const std::wstring& limit, bool raised) {
  if (!publisher_) return;
  // The offset in force now dates the streak's first poll, which may lie minutes back.
  SYSTEMTIME local{};
  GetLocalTime(&local);
  const LocalDateTime now{local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond,
                          local.wMilliseconds};
  const int offsetMinutes = InstantOf(now, UnixMsNow()).offsetMinutes;
  const std::string narrow(value.begin(), value.end());
  AlarmMessage message;
  message.time = time;
  message.unixMs = ClockMilliseconds(time) - int64_t{offsetMinutes} * 60'000;
  message.point = point;
  message.source = ToUtf8(source);
  message.value = ParseField(narrow).value_or(std::numeric_limits<double>::quiet_NaN());
  message.limit = ToUtf8(limit);
  message.event = raised ? "alarm" : "clear";
  publisher_->Publish(message);
}

void RunPublishing::OnRunStarted(const RunHeader& header) {
  if (publisher_) publisher_->OnRunStarted(header);
}

void RunPublishing::OnRow(const LoggedRow& row) {
  if (publisher_) publisher_->OnRow(row);
}

void RunPublishing::Retire() {
  if (!publisher_) return;
  publisher_->RequestStop(kPublisherExitBound);
  retired_.push_back(std::move(publisher_));
}

}  // namespace velmar

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

std::wstring Counted(size_t count, const wchar_t* one, const wchar_t* many) {
  return std::to_wstring(count) + L" " + (count == 1 ? one : many);
}

std::wstring QueueFullText(size_t dropped) {
  return Counted(dropped, L"row", L"rows") + L" not published: the queue was full";
}

std::wstring RefusalText(const PublishRefusal& refusal) {
  std::wstring reason = FromUtf8(refusal.reason);
  if (!reason.empty() && reason.back() == L'.') reason.pop_back();
  const std::wstring topic = L"\"" + FromUtf8(refusal.topic) + L"\" (" + reason + L")";
  if (refusal.will) return L"The MQTT library refused the last will on " + topic + L": a crash will not show as offline.";
  return L"The MQTT library refused to publish on " + topic +
         L": such messages are not published, and the run's end line counts them.";
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

void RunPublishing::RunStarting(const BrokerOptions& options, const TlsFiles& tlsFiles, const std::wstring& instrument,
                                RunState state) {
  const std::wstring computer = ComputerName();
  const std::wstring prefix = TopicPrefixFor(options.topicPrefix, computer, instrument);
  if (publisher_ && (options != options_ || tlsFiles != tlsFiles_ || prefix != prefix_)) Retire();
  if (options.host.empty()) return;
  if (publisher_) {
    publisher_->SetState(state);
    atRunStart_ = publisher_->Stats();
    return;
  }
  options_ = options;
  tlsFiles_ = tlsFiles;
  prefix_ = prefix;
  PublisherSettings settings{ToUtf8(options.host),
                             options.port,
                             ToUtf8(prefix),
                             ToUtf8(ClientIdFor(computer, GetCurrentProcessId())),
                             ToUtf8(options.user),
                             ToUtf8(options.password),
                             bounds_,
                             options.tls,
                             options.tls ? tlsFiles : TlsFiles{}};
  // One connection at a time under the process's client id: the replaced one drains first.
  const MqttPublisher* before = retired_.empty() ? nullptr : retired_.back().get();
  publisher_ = std::make_unique<MqttPublisher>(std::move(settings), state, onNews_, before);
  atRunStart_ = {};
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

PublishingNews RunPublishing::TakeNews(bool runEnded) {
  PublishingNews news;
  const auto take = [&](MqttPublisher& publisher, bool outageToo) {
    const PublisherNews taken = publisher.TakeNews(outageToo);
    news.credentialsRefused = news.credentialsRefused || taken.credentialsRefused;
    if (!taken.tlsRefusal.empty()) news.tlsRefusal = FromUtf8(taken.tlsRefusal);
    for (const PublishRefusal& refusal : taken.refusals) news.lines.push_back(RefusalText(refusal));
    if (taken.dropped > 0) news.lines.push_back(QueueFullText(taken.dropped));
  };
  for (const std::unique_ptr<MqttPublisher>& publisher : retired_) take(*publisher, false);
  if (publisher_) take(*publisher_, runEnded);
  return news;
}

std::wstring RunPublishing::RunLosses() const {
  if (!publisher_) return {};
  const PublisherStats now = publisher_->Stats();
  std::wstring losses;
  if (const size_t dropped = now.dropped - atRunStart_.dropped; dropped > 0) losses = QueueFullText(dropped);
  if (const size_t refused = now.refused - atRunStart_.refused; refused > 0) {
    losses += (losses.empty() ? L"" : L"; ") + Counted(refused, L"message", L"messages") +
              L" not published: the MQTT library refused them";
  }
  return losses;
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

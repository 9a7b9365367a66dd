#include "publish/mqtt_publisher_win.h"

#include <windows.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <variant>

#include "core/bounded_queue.h"
#include "core/reply_fields.h"
#include "framework/ansi_text_win.h"
#include "publish/link_plan.h"
#include "publish/mosquitto_client.h"
#include "publish/tls_context.h"

namespace velmar {

namespace {

constexpr size_t kMaxQueuedMessages = 100'000;
constexpr size_t kMaxQueuedBytes = 16u << 20;
// Messages handed to the library and not yet acknowledged. The library keeps these across a
// reconnect and sends them again itself; everything else waits in our bounded queue.
constexpr size_t kMaxInFlight = 100;
constexpr int kKeepAliveSeconds = 20;
// Rows are handed over in batches, once a second: every wake of the thread costs far more than
// a row (a wineserver round trip or two under Wine), and a dashboard needs no more.
constexpr uint64_t kBatchMs = 1000;
// While an answer is due (a connection being made, acknowledgements outstanding), the thread
// waits on the socket; the answer wakes it, this bounds the wait for a stop meanwhile.
constexpr int kAnswerWaitMs = 250;
// Of the exit bound, what is kept for "offline" after the last rows.
constexpr uint64_t kOfflineReserveMs = 500;
// Broker refusals of the user name or password (MQTT 3.1.1).
constexpr int kBadCredentials = 4;
constexpr int kNotAuthorised = 5;
// The thread's own deadline comes this much before the window's thread stops waiting for it.
constexpr uint64_t kJoinMarginMs = 200;

struct QueuedRow {
  LoggedRow row;
  int64_t unixMsNearby = 0;
  std::shared_ptr<const std::vector<std::string>> titles;
};

struct QueuedMessage {
  std::variant<QueuedRow, AlarmMessage> content;
};

// What a message adds beyond the fixed size every one has: its texts. The bound in bytes is
// there for instruments with long replies; the bound in count holds for the rest.
size_t QueuedBytes(const QueuedMessage& message) {
  if (const auto* row = std::get_if<QueuedRow>(&message.content)) return row->row.reply.size();
  const AlarmMessage& alarm = std::get<AlarmMessage>(message.content);
  return alarm.source.size() + alarm.limit.size() + alarm.event.size();
}

uint64_t Tick() { return GetTickCount64(); }

}  // namespace

int64_t UnixMsNow() {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  const int64_t since1601 = static_cast<int64_t>((static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
  constexpr int64_t k1601To1970 = 116'444'736'000'000'000;
  return (since1601 - k1601To1970) / 10'000;
}

struct MqttPublisher::Shared {
  mutable std::mutex lock;
  std::condition_variable wake;
  BoundedQueue<QueuedMessage> queue{kMaxQueuedMessages, kMaxQueuedBytes, BoundedQueue<QueuedMessage>::WhenFull::DropOldest};
  RunState state = RunState::Running;
  uint64_t stateVersion = 0;
  bool stopping = false;
  uint64_t stopDeadline = 0;
  bool finished = false;
  std::condition_variable finishedChanged;
  // Kept by the network thread, for Stats.
  size_t inFlight = 0;
  size_t acknowledged = 0;
  bool connected = false;
  RefusedHandler onRefused;
  TlsRefusedHandler onTlsRefused;
};

namespace {

// The network thread's side: one client, its connection plan and the messages in flight.
class Connection final : public MosquittoEvents {
 public:
  Connection(MqttPublisher::Shared& shared, PublisherSettings settings)
      : shared_(shared), settings_(std::move(settings)), statusTopic_(settings_.topicPrefix + "/status") {}

  void Run() {
    // Outlives the client, which calls into it.
    std::unique_ptr<TlsContext> tls;
    MosquittoClient client(settings_.clientId, true, *this);
    if (client.Valid() && UseTls(client, tls)) {
      // A crash or a pulled cable leaves "offline": the broker says it for us.
      client.SetWill(statusTopic_, kOfflineWord, true);
      if (!settings_.user.empty()) client.SetCredentials(settings_.user, settings_.password);
      client.SetMaxInFlight(kMaxInFlight);
      Publish(client);
      Finish(client);
    }
    const std::lock_guard<std::mutex> lock(shared_.lock);
    shared_.finished = true;
    shared_.connected = false;
    shared_.finishedChanged.notify_all();
  }

 private:
  // A value the window's thread may change, read under the lock.
  template <class Reader>
  auto Read(Reader read) const {
    const std::lock_guard<std::mutex> lock(shared_.lock);
    return read();
  }

  // Over TLS or not at all: a context that cannot be made is told, and nothing is sent.
  bool UseTls(MosquittoClient& client, std::unique_ptr<TlsContext>& tls) {
    if (!settings_.tls) return true;
    std::string error;
    tls = TlsContext::Make(settings_.tlsFiles, settings_.host, error);
    if (tls && client.UseTls(tls->Handle()) != 0) {
      tls.reset();
      error = "the MQTT library has no TLS";
    }
    if (!tls) ReportTlsRefusal("TLS cannot be used: " + error);
    tls_ = tls.get();
    return tls != nullptr;
  }

  void OnConnect(int code) override {
    if (code == 0) {
      accepted_ = true;
    } else {
      refusal_ = code;
    }
  }
  void OnDisconnect(int) override { lost_ = true; }
  void OnPublished(int) override {
    const std::lock_guard<std::mutex> lock(shared_.lock);
    if (inFlight_ > 0) --inFlight_;
    ++acknowledged_;
    Mirror();
  }

  // Kept in step with the queue, so Stats never shows a message in neither.
  void Mirror() {
    shared_.inFlight = inFlight_;
    shared_.acknowledged = acknowledged_;
  }

  void Publish(MosquittoClient& client) {
    bool attempted = false;
    for (;;) {
      const uint64_t now = Tick();
      TakeEvents(client, now);
      if (Read([&] { return shared_.stopping; })) return;
      switch (plan_.Next(now)) {
        case LinkPlan::Step::Connect: {
          plan_.Attempted(now);
          const int result = attempted ? client.Reconnect()
                                       : client.Connect(settings_.host, settings_.port, kKeepAliveSeconds);
          attempted = true;
          if (result != 0) plan_.Failed(now);
          break;
        }
        case LinkPlan::Step::GiveUp:
          plan_.Failed(now);
          break;
        case LinkPlan::Step::Wait:
          break;
      }
      if (plan_.Connected()) HandOver(client, kMaxInFlight);
      if (!plan_.Down()) {
        // Reads what came, writes what waits and keeps the connection alive.
        const bool answerDue = !plan_.Connected() || inFlight_ > 0;
        client.Loop(answerDue ? kAnswerWaitMs : 0);
        if (answerDue) continue;
      }
      // Until the next batch or attempt; a new state or a stop comes at once.
      std::unique_lock<std::mutex> lock(shared_.lock);
      shared_.wake.wait_for(lock, std::chrono::milliseconds(std::min(plan_.IdleMs(Tick()), kBatchMs)), [&] {
        return shared_.stopping || (plan_.Connected() && statusSent_ != shared_.stateVersion);
      });
    }
  }

  // The queued rows while the time lasts, then "offline"; a clean disconnect only when it was
  // acknowledged, since without one the broker says "offline" by the will.
  void Finish(MosquittoClient& client) {
    const uint64_t deadline = Read([&] { return shared_.stopDeadline; });
    const uint64_t rowsDeadline = deadline > kOfflineReserveMs ? deadline - kOfflineReserveMs : 0;
    while (plan_.Connected() && Tick() < rowsDeadline &&
           (inFlight_ > 0 || !Read([&] { return shared_.queue.Empty(); }))) {
      HandOver(client, kMaxInFlight);
      client.Loop(static_cast<int>(std::min<uint64_t>(kAnswerWaitMs, rowsDeadline - Tick())));
      TakeEvents(client, Tick());
    }
    if (!plan_.Connected()) return;
    if (!client.Publish(statusTopic_, kOfflineWord, true)) return;
    Count(+1);
    for (uint64_t now = Tick(); plan_.Connected() && inFlight_ > 0 && now < deadline; now = Tick()) {
      client.Loop(static_cast<int>(std::min<uint64_t>(kAnswerWaitMs, deadline - now)));
      TakeEvents(client, Tick());
    }
    if (plan_.Connected() && inFlight_ == 0) client.Disconnect();
  }

  // What the last Loop reported, and the state the window's thread asks for.
  void TakeEvents(MosquittoClient& client, uint64_t now) {
    if (accepted_) {
      plan_.Accepted();
      // A blip may have left the will's "offline" retained.
      statusSent_.reset();
    }
    if (refusal_ == kBadCredentials || refusal_ == kNotAuthorised) ReportRefusal();
    // A certificate refused ends the attempt without a disconnect from the library.
    const std::string tlsRefusal = tls_ ? tls_->TakeRefusal() : std::string();
    if (!tlsRefusal.empty()) ReportTlsRefusal(tlsRefusal);
    if (refusal_ != 0 || lost_ || !tlsRefusal.empty() || (!plan_.Connected() && client.ConnectFailed())) {
      plan_.Failed(now);
    }
    accepted_ = lost_ = false;
    refusal_ = 0;
    const std::lock_guard<std::mutex> lock(shared_.lock);
    shared_.connected = plan_.Connected();
  }

  void Count(int change) {
    const std::lock_guard<std::mutex> lock(shared_.lock);
    inFlight_ += static_cast<size_t>(change);
    Mirror();
  }

  void ReportRefusal() {
    if (refusalReported_) return;
    refusalReported_ = true;
    if (shared_.onRefused) shared_.onRefused();
  }

  void ReportTlsRefusal(const std::string& reason) {
    if (tlsRefusalReported_) return;
    tlsRefusalReported_ = true;
    if (shared_.onTlsRefused) shared_.onTlsRefused(reason);
  }

  // The current status when it has not been said on this connection, then queued messages
  // up to the window, in order.
  void HandOver(MosquittoClient& client, size_t window) {
    RunState state;
    uint64_t version;
    {
      const std::lock_guard<std::mutex> lock(shared_.lock);
      state = shared_.state;
      version = shared_.stateVersion;
    }
    if (statusSent_ != version && client.Publish(statusTopic_, StatusWord(state), true)) {
      statusSent_ = version;
      Count(+1);
    }
    while (inFlight_ < window) {
      std::optional<QueuedMessage> next;
      {
        const std::lock_guard<std::mutex> lock(shared_.lock);
        if (shared_.queue.Empty()) return;
        next = shared_.queue.TakeFront();
        ++inFlight_;
        Mirror();
      }
      const auto [topic, payload] = Message(*next);
      // Handed over once, also when the connection has just dropped: the library then sends
      // it after the reconnect. One it refuses outright would never be acknowledged.
      if (!client.Publish(topic, payload, false)) Count(-1);
    }
  }

  std::pair<std::string, std::string> Message(const QueuedMessage& message) const {
    if (const auto* queued = std::get_if<QueuedRow>(&message.content)) {
      const PollInstant instant = InstantOf(queued->row.time, queued->unixMsNearby);
      return {settings_.topicPrefix + "/row",
              RowJson(queued->row, instant, ToUtf8(FromAnsi(queued->row.reply)), *queued->titles)};
    }
    return {settings_.topicPrefix + "/alarm", AlarmJson(std::get<AlarmMessage>(message.content))};
  }

  MqttPublisher::Shared& shared_;
  const PublisherSettings settings_;
  const std::string statusTopic_;
  LinkPlan plan_;
  std::optional<uint64_t> statusSent_;
  size_t inFlight_ = 0;
  size_t acknowledged_ = 0;
  bool accepted_ = false;
  bool lost_ = false;
  int refusal_ = 0;
  bool refusalReported_ = false;
  TlsContext* tls_ = nullptr;
  bool tlsRefusalReported_ = false;
};

}  // namespace

MqttPublisher::MqttPublisher(PublisherSettings settings, RunState state, RefusedHandler onRefused,
                             TlsRefusedHandler onTlsRefused)
    : shared_(std::make_shared<Shared>()), titles_(std::make_shared<std::vector<std::string>>()) {
  shared_->state = state;
  shared_->onRefused = std::move(onRefused);
  shared_->onTlsRefused = std::move(onTlsRefused);
  // The thread shares the state, so a thread left to the process's end never outlives it.
  thread_ = std::thread([shared = shared_, settings = std::move(settings)]() mutable {
    Connection(*shared, std::move(settings)).Run();
  });
}

MqttPublisher::~MqttPublisher() { Stop(kPublisherExitBound); }

void MqttPublisher::OnRunStarted(const RunHeader& header) {
  auto titles = std::make_shared<std::vector<std::string>>();
  for (const std::wstring& title : SplitTitles(header.columnTitles)) titles->push_back(ToUtf8(title));
  titles_ = std::move(titles);
}

void MqttPublisher::OnRow(const LoggedRow& row) {
  QueuedMessage message{QueuedRow{row, UnixMsNow(), titles_}};
  // No wake: the next batch takes it.
  const std::lock_guard<std::mutex> lock(shared_->lock);
  shared_->queue.Push(std::move(message));
}

void MqttPublisher::Publish(const AlarmMessage& event) {
  const std::lock_guard<std::mutex> lock(shared_->lock);
  shared_->queue.Push(QueuedMessage{event});
}

void MqttPublisher::SetState(RunState state) {
  const std::lock_guard<std::mutex> lock(shared_->lock);
  if (state == shared_->state) return;
  shared_->state = state;
  ++shared_->stateVersion;
  shared_->wake.notify_one();
}

void MqttPublisher::RequestStop(std::chrono::milliseconds bound) {
  const std::lock_guard<std::mutex> lock(shared_->lock);
  if (shared_->stopping) return;
  shared_->stopping = true;
  const uint64_t boundMs = static_cast<uint64_t>(bound.count());
  shared_->stopDeadline = Tick() + boundMs - std::min(boundMs, kJoinMarginMs);
  shared_->wake.notify_all();
}

void MqttPublisher::Stop(std::chrono::milliseconds bound) {
  if (!thread_.joinable()) return;
  RequestStop(bound);
  std::unique_lock<std::mutex> lock(shared_->lock);
  const bool finished = shared_->finishedChanged.wait_for(lock, bound, [&] { return shared_->finished; });
  lock.unlock();
  if (finished) {
    thread_.join();
  } else {
    thread_.detach();
  }
}

PublisherStats MqttPublisher::Stats() const {
  const std::lock_guard<std::mutex> lock(shared_->lock);
  return {shared_->queue.Count(), shared_->inFlight, shared_->acknowledged, shared_->queue.DroppedCount(),
          shared_->connected};
}

}  // namespace velmar

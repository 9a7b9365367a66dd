#include <windows.h>

#include <algorithm>
#include <optional>
#include <set>
#include <utility>

#include "core/reply_fields.h"
#include "framework/ansi_text_win.h"
#include "publish/link_plan.h"
#include "publish/mosquitto_client.h"
#include "publish/publisher_shared_win.h"
#include "publish/tls_context.h"

namespace velmar {

namespace {

// Messages the library holds until the broker acknowledges them; it keeps them across a
// reconnect and sends them again itself. Everything else waits in our bounded queue.
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


// The network thread's side: one client, its connection plan and the messages in flight.
class Connection final : public MosquittoEvents {
 public:
  Connection(MqttPublisher::Shared& shared, PublisherSettings settings)
      : shared_(shared), settings_(std::move(settings)), statusTopic_(settings_.topicPrefix + "/status") {}

  void Run(MqttPublisher::Shared* before) {
    if (before) AwaitEnd(*before);
    // Outlives the client, which calls into it.
    std::unique_ptr<TlsContext> tls;
    MosquittoClient client(settings_.clientId, true, *this);
    if (client.Valid() && UseTls(client, tls)) {
      // A crash or a pulled cable leaves "offline": the broker says it for us.
      if (const int code = client.SetWill(statusTopic_, kOfflineWord, true); code != 0) {
        Refused(statusTopic_, code, true);
      }
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
    if (!tls) TellTlsRefused("TLS cannot be used: " + error);
    tls_ = tls.get();
    return tls != nullptr;
  }

  // The replaced publisher ends within its bound; this one waits that out at most.
  static void AwaitEnd(MqttPublisher::Shared& before) {
    std::unique_lock<std::mutex> lock(before.lock);
    const uint64_t giveUp = before.stopDeadline + kJoinMarginMs;
    const uint64_t now = Tick();
    before.finishedChanged.wait_for(lock, std::chrono::milliseconds(giveUp > now ? giveUp - now : 0),
                                    [&] { return before.finished; });
  }

  void OnConnect(int code) override {
    if (code == 0) {
      accepted_ = true;
    } else {
      refusal_ = code;
    }
  }
  void OnDisconnect(int) override { lost_ = true; }
  void OnPublished(int id) override {
    const std::lock_guard<std::mutex> lock(shared_.lock);
    if (held_.erase(id) > 0) ++shared_.acknowledged;
    Mirror();
  }

  // Under the lock: a message taken from the queue is in flight while it is being handed
  // over, so Stats never shows a message in neither.
  void Mirror() { shared_.inFlight = held_.size() + (handing_ ? 1 : 0); }

  bool Room() const { return held_.size() < kMaxInFlight; }
  bool StatusDue() const {
    return Read([&] { return statusSent_ != shared_.stateVersion; });
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
      if (plan_.Connected()) HandOver(client);
      if (!plan_.Down()) {
        // Reads what came, writes what waits and keeps the connection alive.
        const bool answerDue = !plan_.Connected() || !held_.empty();
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

  // The last state and the queued rows while the time lasts, then "offline"; a clean
  // disconnect only when everything was acknowledged, since without one the broker says
  // "offline" by the will.
  void Finish(MosquittoClient& client) {
    const uint64_t deadline = Read([&] { return shared_.stopDeadline; });
    const uint64_t rowsDeadline = deadline > kOfflineReserveMs ? deadline - kOfflineReserveMs : 0;
    while (plan_.Connected() && Tick() < rowsDeadline &&
           (!held_.empty() || StatusDue() || !Read([&] { return shared_.queue.Empty(); }))) {
      HandOver(client);
      client.Loop(static_cast<int>(std::min<uint64_t>(kAnswerWaitMs, rowsDeadline - Tick())));
      TakeEvents(client, Tick());
    }
    if (!plan_.Connected() || !Room()) return;
    Hand(client, statusTopic_, kOfflineWord, true);
    for (uint64_t now = Tick(); plan_.Connected() && !held_.empty() && now < deadline; now = Tick()) {
      client.Loop(static_cast<int>(std::min<uint64_t>(kAnswerWaitMs, deadline - now)));
      TakeEvents(client, Tick());
    }
    if (plan_.Connected() && held_.empty()) client.Disconnect();
  }

  // What the last Loop reported.
  void TakeEvents(MosquittoClient& client, uint64_t now) {
    if (accepted_) {
      plan_.Accepted();
      // A blip may have left the will's "offline" retained, and a broker restarted without
      // persistence has forgotten the state.
      statusSent_.reset();
    }
    if (refusal_ == kBadCredentials || refusal_ == kNotAuthorised) TellCredentialsRefused();
    // A certificate refused ends the attempt without a disconnect from the library.
    const std::string tlsRefusal = tls_ ? tls_->TakeRefusal() : std::string();
    if (!tlsRefusal.empty()) TellTlsRefused(tlsRefusal);
    if (refusal_ != 0 || lost_ || !tlsRefusal.empty() || (!plan_.Connected() && client.ConnectFailed())) {
      plan_.Failed(now);
    }
    accepted_ = lost_ = false;
    refusal_ = 0;
    const std::lock_guard<std::mutex> lock(shared_.lock);
    shared_.connected = plan_.Connected();
  }

  void Tell() {
    if (shared_.onNews) shared_.onNews();
  }

  void TellCredentialsRefused() {
    if (credentialsTold_) return;
    credentialsTold_ = true;
    {
      const std::lock_guard<std::mutex> lock(shared_.lock);
      shared_.credentialsRefused = true;
    }
    Tell();
  }

  // Once in the publisher's life: the reason is the same at every attempt.
  void TellTlsRefused(const std::string& reason) {
    if (tlsRefusalTold_) return;
    tlsRefusalTold_ = true;
    {
      const std::lock_guard<std::mutex> lock(shared_.lock);
      shared_.tlsRefusal = reason;
    }
    Tell();
  }

  // Counted; each cause told once. The same topic and payload would be refused again, so the
  // message is not tried again.
  void Refused(const std::string& topic, int code, bool will) {
    bool told = false;
    {
      const std::lock_guard<std::mutex> lock(shared_.lock);
      if (!will) ++shared_.refused;
      told = std::any_of(shared_.refusals.begin(), shared_.refusals.end(),
                         [&](const PublishRefusal& known) { return known.code == code && known.will == will; });
      if (!told) shared_.refusals.push_back({topic, MosquittoErrorText(code), code, will});
    }
    if (!told) Tell();
  }

  void Hand(MosquittoClient& client, const std::string& topic, std::string_view payload, bool retain) {
    const MosquittoClient::Handed handed = client.Publish(topic, payload, retain);
    {
      const std::lock_guard<std::mutex> lock(shared_.lock);
      handing_ = false;
      if (handed.id != 0) held_.insert(handed.id);
      Mirror();
    }
    if (handed.id == 0) Refused(topic, handed.code, false);
  }

  // The current status when it has not been said on this connection, then queued messages
  // up to the window, in order. Once the queue is empty an outage with drops is over.
  void HandOver(MosquittoClient& client) {
    const auto [state, version] = Read([&] { return std::pair(shared_.state, shared_.stateVersion); });
    if (statusSent_ != version && Room()) {
      Hand(client, statusTopic_, StatusWord(state), true);
      statusSent_ = version;
    }
    while (Room()) {
      std::optional<QueuedMessage> next;
      {
        const std::lock_guard<std::mutex> lock(shared_.lock);
        if (shared_.queue.Empty()) break;
        next = shared_.queue.TakeFront();
        handing_ = true;
        Mirror();
      }
      const auto [topic, payload] = Message(*next);
      Hand(client, topic, payload, false);
    }
    bool outageOver = false;
    {
      const std::lock_guard<std::mutex> lock(shared_.lock);
      outageOver = shared_.queue.Empty() && shared_.queue.DroppedCount() > shared_.droppedTold && !shared_.outageOver;
      shared_.outageOver = shared_.outageOver || outageOver;
    }
    if (outageOver) Tell();
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
  // The ids of the messages the library holds, until the broker acknowledges each.
  std::set<int> held_;
  bool handing_ = false;
  bool accepted_ = false;
  bool lost_ = false;
  int refusal_ = 0;
  bool credentialsTold_ = false;
  TlsContext* tls_ = nullptr;
  bool tlsRefusalTold_ = false;
};

}  // namespace

void RunConnection(MqttPublisher::Shared& shared, PublisherSettings settings, MqttPublisher::Shared* before) {
  Connection(shared, std::move(settings)).Run(before);
}

}  // namespace velmar

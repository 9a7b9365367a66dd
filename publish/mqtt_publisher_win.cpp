#include "publish/mqtt_publisher_win.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "core/reply_fields.h"
#include "framework/ansi_text_win.h"
#include "publish/publisher_shared_win.h"

namespace velmar {

int64_t UnixMsNow() {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  const int64_t since1601 = static_cast<int64_t>((static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
  constexpr int64_t k1601To1970 = 116'444'736'000'000'000;
  return (since1601 - k1601To1970) / 10'000;
}

MqttPublisher::MqttPublisher(PublisherSettings settings, RunState state, NewsHandler onNews, const MqttPublisher* after)
    : shared_(std::make_shared<Shared>(settings.queue, state, std::move(onNews))),
      titles_(std::make_shared<std::vector<std::string>>()) {
  // The thread shares the states, so a thread left to the process's end never outlives them.
  std::shared_ptr<Shared> before = after ? after->shared_ : nullptr;
  thread_ = std::thread([shared = shared_, before = std::move(before), settings = std::move(settings)]() mutable {
    RunConnection(*shared, std::move(settings), before.get());
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
  return {shared_->queue.Count(), shared_->inFlight,  shared_->acknowledged,
          shared_->queue.DroppedCount(), shared_->refused, shared_->connected};
}

PublisherNews MqttPublisher::TakeNews(bool outageToo) {
  const std::lock_guard<std::mutex> lock(shared_->lock);
  PublisherNews news;
  news.credentialsRefused = std::exchange(shared_->credentialsRefused, false);
  news.tlsRefusal = std::exchange(shared_->tlsRefusal, std::string());
  news.refusals.assign(shared_->refusals.begin() + static_cast<std::ptrdiff_t>(shared_->refusalsTold),
                       shared_->refusals.end());
  shared_->refusalsTold = shared_->refusals.size();
  if (shared_->outageOver || outageToo) {
    news.dropped = shared_->queue.DroppedCount() - shared_->droppedTold;
    shared_->droppedTold = shared_->queue.DroppedCount();
    shared_->outageOver = false;
  }
  return news;
}

}  // namespace velmar

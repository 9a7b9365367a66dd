#pragma once
#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <variant>
#include <vector>

#include "core/bounded_queue.h"
#include "publish/mqtt_publisher_win.h"

// What the window's thread and a publisher's network thread share, and the network thread's
// work: the queue, the state to say, the stop, and what there is to tell.
namespace velmar {

// The thread's own deadline comes this much before the window's thread stops waiting for it.
constexpr uint64_t kJoinMarginMs = 200;

inline uint64_t Tick() { return GetTickCount64(); }

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
inline size_t QueuedBytes(const QueuedMessage& message) {
  if (const auto* row = std::get_if<QueuedRow>(&message.content)) return row->row.reply.size();
  const AlarmMessage& alarm = std::get<AlarmMessage>(message.content);
  return alarm.source.size() + alarm.limit.size() + alarm.event.size();
}

struct MqttPublisher::Shared {
  Shared(QueueBounds bounds, RunState first, NewsHandler handler)
      : queue(bounds.messages, bounds.bytes, BoundedQueue<QueuedMessage>::WhenFull::DropOldest),
        state(first),
        onNews(std::move(handler)) {}

  mutable std::mutex lock;
  std::condition_variable wake;
  BoundedQueue<QueuedMessage> queue;
  RunState state;
  uint64_t stateVersion = 0;
  bool stopping = false;
  uint64_t stopDeadline = 0;
  bool finished = false;
  std::condition_variable finishedChanged;
  // Kept by the network thread, for Stats.
  size_t inFlight = 0;
  size_t acknowledged = 0;
  size_t refused = 0;
  bool connected = false;
  // The news, until the window's thread takes it.
  const NewsHandler onNews;
  bool credentialsRefused = false;
  std::string tlsRefusal;
  std::vector<PublishRefusal> refusals;
  size_t refusalsTold = 0;
  size_t droppedTold = 0;
  bool outageOver = false;
};

// The network thread: connects, hands the queue over and ends as asked. `before`: a replaced
// publisher whose end this one waits for.
void RunConnection(MqttPublisher::Shared& shared, PublisherSettings settings, MqttPublisher::Shared* before);

}  // namespace velmar

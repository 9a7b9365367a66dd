#pragma once
#include <algorithm>
#include <cstddef>
#include <deque>
#include <string>

namespace velmar {

inline size_t QueuedBytes(const std::string& text) { return text.size(); }

// Items waiting for a place that refuses them for now (a locked log file, an unreachable
// broker), bounded in count and bytes. When full, either the newest item is refused (a log
// keeps the earliest rows, which continue the file without a gap) or the oldest is dropped (a
// copy elsewhere keeps the latest); either way the items lost are counted, to be reported.
// An item's size is QueuedBytes(item), found by argument-dependent lookup.
template <class T>
class BoundedQueue {
 public:
  enum class WhenFull { RefuseNewest, DropOldest };

  BoundedQueue(size_t maxItems, size_t maxBytes, WhenFull whenFull)
      : maxItems_(maxItems), maxBytes_(maxBytes), whenFull_(whenFull) {}

  // False when the item was not kept; with DropOldest that happens only to an item larger
  // than the whole bound.
  bool Push(T item) {
    const size_t bytes = QueuedBytes(item);
    if (bytes > maxBytes_ || maxItems_ == 0) {
      ++dropped_;
      return false;
    }
    while (items_.size() >= maxItems_ || bytes > maxBytes_ - bytes_) {
      if (whenFull_ == WhenFull::RefuseNewest) {
        ++dropped_;
        return false;
      }
      PopFront(1);
      ++dropped_;
    }
    bytes_ += bytes;
    items_.push_back(std::move(item));
    return true;
  }

  size_t Count() const { return items_.size(); }
  size_t Bytes() const { return bytes_; }
  bool Empty() const { return items_.empty(); }
  size_t DroppedCount() const { return dropped_; }
  // Oldest first.
  const std::deque<T>& Items() const { return items_; }
  const T& operator[](size_t index) const { return items_[index]; }

  // Removes the oldest item and gives it; the queue must not be empty.
  T TakeFront() {
    bytes_ -= QueuedBytes(items_.front());
    T item = std::move(items_.front());
    items_.pop_front();
    return item;
  }

  void PopFront(size_t count) {
    count = std::min(count, items_.size());
    for (size_t i = 0; i < count; ++i) bytes_ -= QueuedBytes(items_[i]);
    items_.erase(items_.begin(), items_.begin() + static_cast<std::ptrdiff_t>(count));
  }

  // Removes the items `done` says are done with, keeping the order of the rest; `done` sees
  // every item once, oldest first.
  template <class Done>
  void RemoveIf(Done&& done) {
    std::deque<T> kept;
    for (T& item : items_) {
      if (done(static_cast<const T&>(item))) {
        bytes_ -= QueuedBytes(item);
      } else {
        kept.push_back(std::move(item));
      }
    }
    items_.swap(kept);
  }

  void Clear() {
    items_.clear();
    bytes_ = 0;
    dropped_ = 0;
  }

 private:
  size_t maxItems_;
  size_t maxBytes_;
  WhenFull whenFull_;
  std::deque<T> items_;
  size_t bytes_ = 0;
  size_t dropped_ = 0;
};

}  // namespace velmar

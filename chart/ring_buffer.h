#pragma once
#include <cstddef>
#include <vector>

namespace velmar {

// The newest `capacity` items, oldest first. Storage grows with use up to the capacity, so a
// short run costs little; after that each push replaces the oldest item.
template <class T>
class RingBuffer {
 public:
  void SetCapacity(size_t capacity) {
    if (capacity < size_) Reshape(capacity, size_ - capacity, capacity);
    capacity_ = capacity;
    if (storage_.size() > capacity_) Reshape(size_, 0, size_);
  }
  size_t Capacity() const { return capacity_; }
  size_t Size() const { return size_; }
  size_t BytesKept() const { return storage_.capacity() * sizeof(T); }

  // Returns true when the oldest item made room.
  bool Push(const T& item) {
    if (capacity_ == 0) return true;
    if (size_ == storage_.size() && size_ < capacity_) {
      const size_t grown = size_ < 32 ? 32 : size_ * 2;
      Reshape(size_, 0, grown < capacity_ ? grown : capacity_);
    }
    if (size_ < storage_.size()) {
      storage_[Wrap(head_ + size_)] = item;
      ++size_;
      return false;
    }
    storage_[head_] = item;
    head_ = Wrap(head_ + 1);
    return true;
  }

  const T& operator[](size_t index) const { return storage_[Wrap(head_ + index)]; }

  void Clear() {
    storage_ = {};
    head_ = 0;
    size_ = 0;
  }

 private:
  size_t Wrap(size_t index) const { return index >= storage_.size() ? index - storage_.size() : index; }

  // Keeps `count` items from `skip` on in a fresh buffer of `slots`.
  void Reshape(size_t count, size_t skip, size_t slots) {
    std::vector<T> fresh;
    fresh.reserve(slots);
    for (size_t i = 0; i < count; ++i) fresh.push_back((*this)[skip + i]);
    fresh.resize(slots);
    storage_.swap(fresh);
    head_ = 0;
    size_ = count;
  }

  std::vector<T> storage_;
  size_t head_ = 0;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

}  // namespace velmar

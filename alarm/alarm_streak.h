#pragma once
#include <string>

#include "core/local_time.h"

namespace velmar {

// The poll a streak began with, as its alarm or clear line shows it.
struct StreakStart {
  int point = 0;
  LocalDateTime time;
  std::wstring value;
  std::wstring limit;
};

// One column's (or one health check's) alarm state: in alarm after `needed` polls in a row
// outside, clear again after `needed` polls in a row inside. A poll it is not told of (a gap)
// neither counts nor breaks the streak.
class AlarmStreak {
 public:
  enum class Change { None, Raised, Cleared };

  explicit AlarmStreak(int needed = 1) : needed_(needed) {}

  // makeStart() describes this poll; it is called only when the poll begins a streak, so a
  // quiet poll costs no text.
  template <class MakeStart>
  Change Observe(bool outside, MakeStart&& makeStart) {
    if (outside == active_) {
      count_ = 0;
      return Change::None;
    }
    if (count_ == 0) first_ = makeStart();
    if (++count_ < needed_) return Change::None;
    active_ = outside;
    count_ = 0;
    if (active_) raisedLimit_ = first_.limit;
    return active_ ? Change::Raised : Change::Cleared;
  }

  // Counts from zero again, with a new number of polls in a row; the state stays.
  void Restart(int needed) {
    needed_ = needed;
    count_ = 0;
  }

  bool Active() const { return active_; }
  // The first poll of the streak that made the last change.
  const StreakStart& Start() const { return first_; }
  // The limit the alarm was raised for, which its clear line repeats.
  const std::wstring& RaisedLimit() const { return raisedLimit_; }

 private:
  int needed_;
  bool active_ = false;
  int count_ = 0;
  StreakStart first_;
  std::wstring raisedLimit_;
};

}  // namespace velmar

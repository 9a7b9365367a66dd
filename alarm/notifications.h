#pragma once
#include <optional>
#include <string>
#include <vector>

#include "alarm/alarm_monitor.h"

namespace velmar {

enum class RunActivity { Idle, WaitingForPort, Running };

// What the notification-area icon shows; None is no icon at all.
enum class TrayState { None, Running, Waiting, Alarm };

struct TrayIcon {
  TrayState state = TrayState::None;
  std::wstring tip;

  bool operator==(const TrayIcon&) const = default;
};

struct Balloon {
  std::wstring title;
  std::wstring text;

  bool operator==(const Balloon&) const = default;
};

enum class Flash { Keep, Start, Stop };

// What the window is to do about the user's attention; everything absent is left as it is.
struct NoticeSteps {
  // Show the icon thus, or remove it for TrayState::None.
  std::optional<TrayIcon> icon;
  // The shell has forgotten the icon (it started again): add it afresh, not modify it.
  bool iconLost = false;
  std::optional<Balloon> balloon;
  Flash flash = Flash::Keep;
  bool sound = false;
};

// "TEC Sensor T 25.31 above 25.10 since 14:03:12": the limit with as many decimals as the
// value, the time of the streak's first poll.
std::wstring AlarmBalloonText(const AlarmEvent& event);

// Decides what the user sees and hears of a run's alarms: the icon's state, a balloon for
// each new alarm, the taskbar button flashing while any alarm is active until the window is
// activated, and a sound when that is chosen.
class AlarmNotices {
 public:
  void SetSound(bool on) { sound_ = on; }

  // A run waits for its port, runs, or has ended; an ended run takes its alarms with it.
  NoticeSteps SetActivity(RunActivity activity);
  // The monitor's events of one poll; windowActive: whether the main window is the active one.
  NoticeSteps OnEvents(const std::vector<AlarmEvent>& events, bool windowActive);
  NoticeSteps WindowActivated();
  // The "TaskbarCreated" message: the shell started again without our icon.
  NoticeSteps TaskbarCreated();

 private:
  TrayIcon IconNow() const;
  // Sets steps.icon when the icon is to change.
  void ShowIcon(NoticeSteps& steps);

  RunActivity activity_ = RunActivity::Idle;
  // Sources in alarm, oldest first; two columns of one title count twice.
  std::vector<std::wstring> active_;
  TrayIcon shown_;
  bool flashing_ = false;
  bool sound_ = false;
};

}  // namespace velmar

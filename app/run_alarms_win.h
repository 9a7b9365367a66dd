#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "alarm/alarm_monitor.h"
#include "alarm/events_file.h"
#include "alarm/notification_area_win.h"
#include "alarm/notifications.h"
#include "chart/chart_window_win.h"
#include "core/column_limits.h"
#include "logfile/log_storage_win.h"
#include "session/logging_session.h"
#include "settings/profile_win.h"

// A run's alarms as the main window carries them out: the monitor's verdicts go to the events
// file beside the log and to the notices (tray icon, balloons, flashing, sound). Every
// decision is the alarm classes'; this only passes the facts along. The chart shows the limits
// and alarms from here, and sets a column's limits through it.
class RunAlarms final : public velmar::ChartAlarms {
 public:
  // switchLimits: /limit's, for this process in place of the stored ones; empty when none.
  // unattended: under /close, where every run leaves its start and end lines.
  RunAlarms(HWND window, UINT trayMessage, HICON icon, velmar::Profile profile,
            std::vector<velmar::ColumnLimit> switchLimits, bool unattended);

  // The error of a /limit title this run's columns do not have, or empty.
  std::wstring CheckSwitchTitles(const std::wstring& header) const;
  void Waiting();
  void Idle();
  // lostPort names the port in the port-lost alarm; empty for a COM port, as always.
  void Started(const std::wstring& logPath, const std::wstring& header, const std::wstring& lostPort);
  // Its line is for whoever was not there to see the box: under /close only.
  void StartFailed(const std::wstring& logPath);
  // The poll's alarm changes, for whoever else reports them.
  std::vector<velmar::AlarmEvent> Polled(const velmar::PollOutcome& outcome, bool windowActive);
  // note: what the run lost beside its log (rows not published), for its end line.
  void Ended(velmar::RunMark mark, const std::wstring& note = {});
  // A message nobody is there to read, into the events file of this log path (during a run,
  // the run's).
  void Message(const std::wstring& logPath, const std::wstring& text);
  // A column's limit set by the user; it applies from the next poll.
  void PutLimit(const velmar::ColumnLimit& limit);
  // "Limits for <title>...": applied from the next poll on OK, and stored unless this
  // process's limits come from /limit.
  bool EditLimit(HWND owner, const std::wstring& title) override;
  bool ColumnInAlarm(size_t column) const override { return monitor_.ColumnInAlarm(column); }
  void OptionsChanged();
  void WindowActivated();
  void TaskbarCreated();
  // At exit or at the end of the Windows session: the events files' waiting lines get a last
  // try, then recovery files.
  void Finish();

  bool AlarmRaised() const { return monitor_.AnyRaised(); }
  const velmar::AlarmMonitor& Monitor() const { return monitor_; }
  const std::vector<velmar::ColumnLimit>& Limits() const override { return limits_; }

 private:
  velmar::Profile profile_;
  bool switchLimits_;
  bool unattended_;
  bool running_ = false;
  std::vector<velmar::ColumnLimit> limits_;
  velmar::WindowsLogStorage storage_;
  velmar::EventsFile events_{storage_};
  velmar::AlarmMonitor monitor_;
  velmar::AlarmNotices notices_;
  velmar::NotificationArea area_;
};

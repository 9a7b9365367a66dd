#include "app/run_alarms_win.h"

#include "app/limits_dialog_win.h"

#include "cli/command_line.h"
#include "session/session_parts_win.h"
#include "settings/column_limits_win.h"
#include "settings/log_options_win.h"

namespace {

using RunLines = velmar::EventsFile::RunLines;

velmar::LocalDateTime Now() { return velmar::SystemClock().LocalNow(); }

}  // namespace

RunAlarms::RunAlarms(HWND window, UINT trayMessage, HICON icon, velmar::Profile profile,
                     std::vector<velmar::ColumnLimit> switchLimits, bool unattended)
    : profile_(std::move(profile)),
      switchLimits_(!switchLimits.empty()),
      unattended_(unattended),
      limits_(switchLimits_ ? std::move(switchLimits) : velmar::LoadColumnLimits(profile_)),
      area_(window, trayMessage, icon) {
  OptionsChanged();
}

std::wstring RunAlarms::CheckSwitchTitles(const std::wstring& header) const {
  return switchLimits_ ? velmar::LimitTitlesError(limits_, header) : std::wstring();
}

void RunAlarms::Waiting() { area_.Apply(notices_.SetActivity(velmar::RunActivity::WaitingForPort)); }

void RunAlarms::Idle() { area_.Apply(notices_.SetActivity(velmar::RunActivity::Idle)); }

// A run under /close, or with a limit on one of its columns, always has its start and end
// lines; any other only around what it has to say.
void RunAlarms::Started(const std::wstring& logPath, const std::wstring& header, const std::wstring& lostPort) {
  monitor_.Begin(header, limits_, lostPort);
  events_.Begin(logPath, unattended_ || monitor_.WatchesColumns() ? RunLines::Always : RunLines::AroundEvents);
  events_.Write(Now(), velmar::RunMark::Start);
  running_ = true;
  area_.Apply(notices_.SetActivity(velmar::RunActivity::Running));
}

void RunAlarms::StartFailed(const std::wstring& logPath) {
  events_.Begin(logPath, unattended_ ? RunLines::Always : RunLines::AroundEvents);
  events_.Write(Now(), velmar::RunMark::StartFailed);
}

std::vector<velmar::AlarmEvent> RunAlarms::Polled(const velmar::PollOutcome& outcome, bool windowActive) {
  const std::vector<velmar::AlarmEvent> changes = monitor_.Poll(outcome.row, {outcome.portLost, outcome.writeFailed});
  if (changes.empty()) events_.Flush();
  for (const velmar::AlarmEvent& change : changes) events_.Write(change);
  area_.Apply(notices_.OnEvents(changes, windowActive));
  return changes;
}

void RunAlarms::Ended(velmar::RunMark mark, const std::wstring& note) {
  events_.Write(Now(), mark, note);
  running_ = false;
  Idle();
}

void RunAlarms::Message(const std::wstring& logPath, const std::wstring& text) {
  if (logPath.empty()) return;
  if (!running_) events_.Begin(logPath);
  events_.WriteMessage(Now(), text);
}

void RunAlarms::PutLimit(const velmar::ColumnLimit& limit) {
  velmar::PutLimit(limits_, limit);
  monitor_.SetLimits(limits_);
  if (running_ && monitor_.WatchesColumns()) events_.KeepRunLines();
}

bool RunAlarms::EditLimit(HWND owner, const std::wstring& title) {
  const velmar::ColumnLimit* stored = velmar::FindLimit(limits_, title);
  CLimitsDlg dialog(owner, profile_, stored ? *stored : velmar::ColumnLimit{title, {}, {}, 1},
                    switchLimits_ ? CLimitsDlg::OnOk::ApplyOnly : CLimitsDlg::OnOk::Store);
  if (dialog.DoModal() != IDOK) return false;
  PutLimit(dialog.Limit());
  return true;
}

void RunAlarms::OptionsChanged() { notices_.SetSound(velmar::LoadLogOptions(profile_).alarmSound); }

void RunAlarms::WindowActivated() { area_.Apply(notices_.WindowActivated()); }

void RunAlarms::TaskbarCreated() { area_.Apply(notices_.TaskbarCreated()); }

void RunAlarms::Finish() {
  if (!events_.Flush()) events_.SaveWaiting(Now());
}

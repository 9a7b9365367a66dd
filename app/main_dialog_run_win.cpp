#include <string>
#include <utility>

#include "app/dialog_timers.h"
#include "app/main_dialog_win.h"
#include "core/decimal_text.h"
#include "framework/ansi_text_win.h"
#include "framework/console_win.h"
#include "framework/data_exchange_win.h"
#include "res/resource.h"
#include "settings/baud_table.h"
#include "settings/log_options_win.h"
#include "settings/port_list_win.h"

namespace {

// A reply may hold any byte; a NUL would end the window text early, so it is shown as a
// visible symbol instead.
std::wstring DisplayText(const std::string& narrow) {
  std::wstring wide = velmar::FromAnsi(narrow);
  for (wchar_t& c : wide) {
    if (c == L'\0') c = L'\x2400';
  }
  return wide;
}

}  // namespace

void CVelmarDataLoggerDlg::OnOK() { OnStart(); }

void CVelmarDataLoggerDlg::OnCancel() {
  OnStop(velmar::RunMark::EndByClose);
  chart_->CloseAtEnd();
  EndDialog(IDCANCEL);
}

velmar::AppSettings CVelmarDataLoggerDlg::RunSettings() const {
  velmar::AppSettings run;
  const velmar::InstrumentAddress instrument = SelectedInstrument();
  run.comPort = instrument.comPort;
  run.baudRate = velmar::LeadingDecimal(velmar::WindowText(baudList_));
  run.interval = interval_;
  run.command = command_;
  run.fileName = logFilePath_;
  run.header = columnHeader_;
  return run;
}

CVelmarDataLoggerDlg::StartStep CVelmarDataLoggerDlg::OnStart() {
  const auto failed = [this] {
    StartFailed();
    return StartStep::Failed;
  };
  if (!UpdateData(true)) return failed();
  // A mistyped /limit title must not pass silently.
  if (const std::wstring wrongTitle = alarms_->CheckSwitchTitles(columnHeader_); !wrongTitle.empty()) {
    ShowSwitchFault(wrongTitle);
    exitFacts_.startFailed = true;
    alarms_->StartFailed(switches_.namedLogPath);
    return StartStep::Failed;
  }
  std::wstring brokerError;
  startingBroker_ = PrepareBroker(brokerError);
  if (!startingBroker_) {
    ShowMessage(brokerError);
    return failed();
  }
  const velmar::InstrumentAddress instrument = SelectedInstrument();
  connectingTo_ = instrument;
  // The window never waits for the network: the run starts when the connection is made.
  if (instrument.network && !Channel().Network().Open(*instrument.network, velmar::Pace::Now)) {
    SetStatus(L"Connecting to " + velmar::InstrumentName(instrument) + L"...");
    EnableControls(false);
    FocusControl(IDC_STOP);
    return StartStep::Connecting;
  }
  return FinishStart() ? StartStep::Started : StartStep::Failed;
}

// The rest of Start, once the instrument's link is there (a COM port is opened here).
bool CVelmarDataLoggerDlg::FinishStart() {
  const velmar::InstrumentAddress instrument = *std::exchange(connectingTo_, std::nullopt);
  const BrokerRun broker = *std::exchange(startingBroker_, std::nullopt);
  const bool network = instrument.network.has_value();
  const auto failed = [&] {
    if (network) {
      EnableControls(true);
      SetStatus(L"");
      FocusControl(IDOK);
    }
    return StartFailed();
  };
  // A /split switch holds for this process only; otherwise the stored option.
  const velmar::SplitOptions split =
      switches_.options.split.value_or(velmar::LoadLogOptions(settings_).split);
  const velmar::AppSettings run = RunSettings();
  const velmar::StartOutcome opened = Session().Open(run, instrument, split);
  if (!opened.message.empty()) ShowMessage(opened.message);
  if (!opened.started) return failed();
  const std::wstring name = velmar::InstrumentName(instrument);
  // Before Begin, which tells the listeners the run's column titles.
  publishing_->RunStarting(broker.options, broker.tlsFiles, name, velmar::RunState::Running);
  chart_->SetLiveSource(network ? name : L"");
  const velmar::StartOutcome begun = Session().Begin();
  if (!begun.started) {
    publishing_->SetState(velmar::RunState::Stopped);
    ShowMessage(begun.message);
    return failed();
  }
  if (!network) lastComPort_ = run.comPort;
  alarms_->Started(logFilePath_, columnHeader_, network ? name : L"");
  TellClearPassword(broker.options);
  SetStatus(L"");
  EnableControls(false);
  FocusControl(IDC_STOP);
  return true;
}

bool CVelmarDataLoggerDlg::StartFailed() {
  exitFacts_.startFailed = true;
  alarms_->StartFailed(logFilePath_);
  return false;
}

void CVelmarDataLoggerDlg::OnStop(velmar::RunMark mark) {
  EnableControls(true);
  KillTimer(Hwnd(), velmar::kDurationTimer);
  if (connectingTo_) {
    StopConnecting();
    return;
  }
  if (unattended_.WaitedPort()) {
    publishing_->SetState(velmar::RunState::Stopped);
    Carry(unattended_.RunEnded());
    return;
  }
  const velmar::StopOutcome stopped = Session().Stop();
  if (!stopped.wasRunning) return;
  publishing_->SetState(velmar::RunState::Stopped);
  OnPublishingNews(true);
  alarms_->Ended(mark, publishing_->RunLosses());
  ReportUnwrittenRows(stopped);
  FocusControl(IDOK);
  Carry(unattended_.RunEnded());
}

void CVelmarDataLoggerDlg::Poll() {
  const velmar::PollOutcome polled = Session().Poll(command_);
  if (!polled.polled) return;
  for (const velmar::AlarmEvent& change : alarms_->Polled(polled, GetForegroundWindow() == Hwnd())) {
    publishing_->PublishAlarm(change.time, change.point, change.source, change.value, change.limit,
                              change.change == velmar::AlarmChange::Raised);
  }
  publishing_->SetState(polled.portLost ? velmar::RunState::Lost : velmar::RunState::Running);
  SetStatus(polled.writeFailed ? L"Error writing to data file." : DisplayText(polled.status));
}

velmar::BrokerOptions CVelmarDataLoggerDlg::BrokerOptions() const {
  std::optional<std::wstring> password;
  wchar_t value[1024];
  const DWORD length = GetEnvironmentVariableW(velmar::kBrokerPasswordVariable, value, 1024);
  if (length > 0 && length < 1024) password.emplace(value, length);
  return velmar::BrokerForThisProcess(velmar::LoadLogOptions(settings_).broker, switches_.options, password);
}

// The events file gets one line and the user one box, at most: under /close nobody is there to
// answer a box, and ShowMessage sends it to the events file and the console instead. The run
// goes on, and the publisher keeps trying.
void CVelmarDataLoggerDlg::OnBrokerRefused() {
  if (brokerRefusalShown_) return;
  brokerRefusalShown_ = true;
  const std::wstring text =
      L"The MQTT broker refused the user name or password. The run goes on; its rows are published once the "
      L"broker accepts them.";
  if (!switches_.closeRequested) alarms_->Message(logFilePath_, text);
  ShowMessage(text);
}

// Each line once, into the events file beside the log; only a refused password or certificate
// is a box, and never while Windows ends the session.
void CVelmarDataLoggerDlg::OnPublishingNews(bool runEnded) {
  const velmar::PublishingNews news = publishing_->TakeNews(runEnded);
  for (const std::wstring& line : news.lines) alarms_->Message(logFilePath_, line);
  if (sessionEnding_) return;
  if (news.credentialsRefused) OnBrokerRefused();
  if (!news.tlsRefusal.empty()) OnBrokerTlsRefused(news.tlsRefusal);
}

// Rows the file still refuses are offered another try; given up on, they go to a recovery
// file, and the box says where.
void CVelmarDataLoggerDlg::ReportUnwrittenRows(velmar::StopOutcome stopped) {
  while (stopped.unwritten > 0) {
    const int answer = ShowMessage(velmar::UnwrittenRowsText(stopped), MB_RETRYCANCEL);
    // The Windows session ended while the box was open: the rows are saved already.
    if (sessionEnding_) return;
    if (answer != IDRETRY) {
      exitFacts_.rowsNotInLog = true;
      ShowMessage(velmar::RecoveryText(Session().SaveUnwritten()));
      Session().FinishStop();
      return;
    }
    stopped = Session().RetryUnwritten();
  }
  if (stopped.dropped > 0) {
    exitFacts_.rowsNotInLog = true;
    ShowMessage(velmar::DroppedOnlyText(stopped));
  }
  Session().FinishStop();
}

// Windows gives a program only a few seconds here: no questions, the rows are written or saved.
// Also while a box about refused rows is open: the rows are saved, and the box is closed so the
// dialog can end.
void CVelmarDataLoggerDlg::OnEndSession() {
  sessionEnding_ = true;
  EnableControls(true);
  const bool running = Session().Running();
  const velmar::RecoveryOutcome saved = Session().StopForSessionEnd();
  if (running) {
    OnPublishingNews(true);
    alarms_->Ended(velmar::RunMark::EndAtLogoff, publishing_->RunLosses());
  }
  // Now, with the rows: once this message is answered, Windows may end the process.
  alarms_->Finish();
  if (saved.rows > 0 || saved.dropped > 0) exitFacts_.rowsNotInLog = true;
  chart_->CloseAtEnd();
  EndDialog(IDCANCEL);
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM owner) -> BOOL {
        if (GetWindow(window, GW_OWNER) == reinterpret_cast<HWND>(owner)) {
          PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(Hwnd()));
}

int CVelmarDataLoggerDlg::ShowMessage(const std::wstring& text, UINT buttons) {
  return ShowMessageBeside(logFilePath_, text, buttons);
}

// Under /close, told beside the command line's own log only, if it named one.
void CVelmarDataLoggerDlg::ShowSwitchFault(const std::wstring& text) {
  exitFacts_.badSwitches = true;
  ShowMessageBeside(switches_.namedLogPath, text, MB_OK);
}

int CVelmarDataLoggerDlg::ShowMessageBeside(const std::wstring& eventsLog, const std::wstring& text, UINT buttons) {
  if (!switches_.closeRequested) return Dialog::ShowMessage(text, buttons);
  alarms_->Message(eventsLog, text);
  velmar::TellStartingConsole(text);
  switch (buttons & MB_TYPEMASK) {
    case MB_RETRYCANCEL:
    case MB_OKCANCEL:
    case MB_YESNOCANCEL:
      return IDCANCEL;
    case MB_YESNO:
      return IDNO;
    default:
      return IDOK;
  }
}

velmar::ExitCode CVelmarDataLoggerDlg::ExitCode() const {
  velmar::ExitFacts facts = exitFacts_;
  facts.closeWhenDone = switches_.closeRequested;
  facts.alarmRaised = alarms_ && alarms_->AlarmRaised();
  return velmar::ChooseExitCode(facts);
}

void CVelmarDataLoggerDlg::EnableControls(bool enable) {
  for (int id : {IDC_PORT, IDC_BAUD, IDC_INTERVAL, IDC_COMMAND, IDC_LOGFILE, IDC_BROWSE, IDOK}) {
    EnableWindow(Item(id), enable);
  }
  EnableWindow(Item(IDC_STOP), !enable);
}

// A control that disables itself while focused would leave the keyboard with nothing to act on.
// A minimised window keeps its state: taking the focus would restore it.
void CVelmarDataLoggerDlg::FocusControl(int id) {
  if (!IsIconic(Hwnd())) SendMessageW(Hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(id)), TRUE);
}

void CVelmarDataLoggerDlg::SetStatus(const std::wstring& text) { SetDlgItemTextW(Hwnd(), IDC_STATUS, text.c_str()); }

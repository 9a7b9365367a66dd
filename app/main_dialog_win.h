#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "alarm/exit_code.h"
#include "app/run_alarms_win.h"
#include "chart/chart_window_win.h"
#include "cli/command_line.h"
#include "core/instrument_address.h"
#include "framework/dialog_win.h"
#include "publish/run_publishing_win.h"
#include "session/session_parts_win.h"
#include "session/unattended_run.h"
#include "settings/app_settings.h"
#include "settings/profile_win.h"

class CVelmarDataLoggerDlg : public velmar::Dialog {
 public:
  CVelmarDataLoggerDlg(velmar::Profile settings, velmar::CommandLineResult switches, HWND parent = nullptr);

  // What the program tells the batch file that started it, once the dialog has ended.
  velmar::ExitCode ExitCode() const;
  // With /close nobody may be there: a box's message goes to the events file and the console,
  // and the box takes the answer that asks nothing more (Cancel, No, OK).
  int ShowMessage(const std::wstring& text, UINT buttons = MB_OK) override;

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(UINT id, UINT code, HWND control) override;
  bool OnSysCommand(WPARAM command) override;
  bool OnPaint() override;
  bool OnTimer(UINT_PTR id) override;
  velmar::MessageResult OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool OnDestroy() override;
  bool DoDataExchange(velmar::DataExchange& exchange) override;
  void OnOK() override;
  void OnCancel() override;

 private:
  void OnDeviceChange();
  void OnBrowse();
  void OnPreset(const wchar_t* queryLine, const wchar_t* columnTitles);
  void OnHelp();
  void OnEndSession();

  // What became of a Start: the run is on, it failed (its box shown), or a network instrument
  // is being connected to, and FinishStart follows when the attempt has ended.
  enum class StartStep { Started, Failed, Connecting };
  StartStep OnStart();
  bool FinishStart();
  bool StartFailed();
  // A fault in the switches is about this command line, not about the log the dialog shows.
  void ShowSwitchFault(const std::wstring& text);
  int ShowMessageBeside(const std::wstring& eventsLog, const std::wstring& text, UINT buttons);
  void OnStop(velmar::RunMark mark = velmar::RunMark::EndByStop);
  // A network connection attempt has ended, on whichever account it was made.
  void OnAttemptEnded();
  void StopConnecting();
  void OnNetworkInstruments();

  void ApplySwitches();
  void OnStartupSwitches();
  void Carry(const velmar::UnattendedSteps& steps);
  void CheckWaitedPort();
  // Whether the instrument an unattended start waits for is there: a COM port that exists, a
  // network instrument connected to (an attempt is begun, paced, while it is not).
  bool WaitedInstrumentPresent();
  void Poll();
  velmar::AppSettings RunSettings() const;
  // The Port list's selection, with /eol and /on-connect applied to a network instrument.
  velmar::InstrumentAddress SelectedInstrument() const;
  // Fills the Port list with the COM ports and the network instruments; preferredEntry as
  // RebuildPortList takes it.
  void RebuildPorts(int preferredEntry, bool preferNew);
  // The stored network instruments again, and the one /port names if it is not among them;
  // the selection stays on the same instrument where it still is.
  void ReloadNetworkInstruments();
  std::optional<int> NetworkEntryOf(const velmar::NetworkAddress& address) const;
  velmar::InstrumentChannel& Channel() { return session_->Channel(); }
  velmar::LoggingSession& Session() { return session_->Session(); }
  void EnableControls(bool enable);
  void FocusControl(int id);
  void SetStatus(const std::wstring& text);
  void ReportUnwrittenRows(velmar::StopOutcome stopped);
  // The broker options of this run: the stored ones under the switches and the environment.
  velmar::BrokerOptions BrokerOptions() const;
  void OnBrokerRefused();
  // The broker of the next run with its TLS files read; none, and the error (a switch error
  // when a switch named the file), when a file cannot be used.
  struct BrokerRun {
    velmar::BrokerOptions options;
    velmar::TlsFiles tlsFiles;
  };
  std::optional<BrokerRun> PrepareBroker(std::wstring& error) const;
  void OnBrokerTlsRefused(const std::wstring& reason);
  // With TLS off, a password in clear is said in the events file, once per run.
  void TellClearPassword(const velmar::BrokerOptions& broker);
  // runEnded: also the rows an outage still going on has dropped.
  void OnPublishingNews(bool runEnded);
  void LoadSettings();

  velmar::Profile settings_;
  HICON icon_;
  // Listed after the COM ports, in this order: the stored ones, then one given only by /port.
  std::vector<velmar::NetworkInstrument> networkInstruments_;
  // "COMPort" as stored: a run on a network instrument keeps it.
  int lastComPort_ = 1;
  // The instrument a Start is connecting to; the instrument an unattended start waits for.
  std::optional<velmar::InstrumentAddress> connectingTo_;
  // The broker of the Start under way, checked before anything opens.
  std::optional<BrokerRun> startingBroker_;
  velmar::InstrumentAddress waitedInstrument_;
  // The Start being connected came from the command line, which hears how it went.
  bool switchStartConnecting_ = false;
  std::wstring logFilePath_;
  std::wstring command_;
  std::wstring columnHeader_;
  int interval_;
  HWND baudList_ = nullptr;
  HWND portList_ = nullptr;
  std::optional<velmar::WindowsLoggingSession> session_;
  std::optional<velmar::ChartWindow> chart_;
  std::optional<RunAlarms> alarms_;
  velmar::ExitFacts exitFacts_;
  // Destroyed first: the last acknowledgements are waited for once the window is gone.
  std::optional<velmar::RunPublishing> publishing_;
  bool brokerRefusalShown_ = false;
  bool brokerTlsRefusalShown_ = false;

  velmar::CommandLineResult switches_;
  velmar::UnattendedRun unattended_{{}};
  bool holdMinimized_ = false;
  // Windows is ending the session: no more questions.
  bool sessionEnding_ = false;
};

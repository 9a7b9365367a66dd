#pragma once
#include <windows.h>

#include <optional>
#include <string>

#include "alarm/exit_code.h"
#include "app/run_alarms_win.h"
#include "chart/chart_window_win.h"
#include "cli/command_line.h"
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

  bool OnStart();
  bool StartFailed();
  void OnStop(velmar::RunMark mark = velmar::RunMark::EndByStop);

  void ApplySwitches();
  void OnStartupSwitches();
  void Carry(const velmar::UnattendedSteps& steps);
  void CheckWaitedPort();
  void Poll();
  velmar::AppSettings RunSettings() const;
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
  velmar::MqttPublisher::TlsRefusedHandler TlsRefusalPoster() const;
  void OnBrokerTlsRefused(LPARAM posted);
  // With TLS off, a password in clear is said in the events file, once per run.
  void TellClearPassword(const velmar::BrokerOptions& broker);
  void LoadSettings();

  velmar::Profile settings_;
  HICON icon_;
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

#pragma once
#include <windows.h>

#include <optional>
#include <string>

#include "chart/chart_window_win.h"
#include "cli/command_line.h"
#include "framework/dialog_win.h"
#include "session/session_parts_win.h"
#include "settings/app_settings.h"
#include "settings/profile_win.h"

class CVelmarDataLoggerDlg : public velmar::Dialog {
 public:
  CVelmarDataLoggerDlg(velmar::Profile settings, velmar::CommandLineResult switches, HWND parent = nullptr);

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(UINT id, UINT code, HWND control) override;
  bool OnSysCommand(WPARAM command) override;
  bool OnPaint() override;
  bool OnTimer(UINT_PTR id) override;
  velmar::MessageResult OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
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
  void OnStop();
  void RunEnded();

  void ApplySwitches();
  void OnStartupSwitches();
  void StartFromCommandLine();
  void WaitForPort(int port);
  void CheckWaitedPort();
  void OnDurationTimer();
  void Poll();
  velmar::AppSettings RunSettings() const;
  velmar::LoggingSession& Session() { return session_->Session(); }
  void EnableControls(bool enable);
  void FocusControl(int id);
  void SetStatus(const std::wstring& text);
  void ReportUnwrittenRows(velmar::StopOutcome stopped);
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

  velmar::CommandLineResult switches_;
  std::optional<int> waitedPort_;
  // A duration from the command line, for the run it starts.
  std::optional<uint32_t> pendingDurationMs_;
  std::optional<ULONGLONG> runDeadline_;
  bool closeWhenRunEnds_ = false;
  bool holdMinimized_ = false;
};

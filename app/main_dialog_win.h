#pragma once
#include <windows.h>

#include <optional>
#include <string>

#include "framework/dialog_win.h"
#include "session/session_parts_win.h"
#include "settings/app_settings.h"
#include "settings/profile_win.h"

class CVelmarDataLoggerDlg : public velmar::Dialog {
 public:
  explicit CVelmarDataLoggerDlg(velmar::Profile settings, HWND parent = nullptr);

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(UINT id, UINT code, HWND control) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
  bool DoDataExchange(velmar::DataExchange& exchange) override;
  void OnOK() override;
  void OnCancel() override;

 private:
  void OnSysCommand(WPARAM command);
  bool OnPaint();
  void OnTimer(UINT_PTR id);
  void OnDeviceChange();
  void OnBrowse();
  void OnPreset(const wchar_t* queryLine, const wchar_t* columnTitles);
  void OnHelp();
  void OnEndSession();

  void OnStart();
  void OnStop();
  void Poll();
  velmar::AppSettings RunSettings() const;
  velmar::LoggingSession& Session() { return m_session->Session(); }
  void EnableControls(bool enable);
  void FocusControl(int id);
  void SetStatus(const std::wstring& text);
  void ReportUnwrittenRows(velmar::StopOutcome stopped);
  void LoadSettings();

  velmar::Profile m_settings;
  HICON m_hIcon;
  std::wstring m_logFilePath;
  std::wstring m_command;
  std::wstring m_columnHeader;
  int m_interval;
  HWND m_baudList = nullptr;
  HWND m_portList = nullptr;
  std::optional<velmar::WindowsLoggingSession> m_session;
};

#pragma once
#include <windows.h>

#include <string>

#include "app/logging_run.h"
#include "framework/dialog_win.h"
#include "logfile/log_file_win.h"
#include "serial/serial_port_win.h"

class CVelmarDataLoggerDlg : public velmar::Dialog {
 public:
  explicit CVelmarDataLoggerDlg(HWND parent = nullptr);

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

  void OnStart();
  void OnStop();
  void Poll();
  void EnableControls(bool enable);
  void SetStatus(const std::wstring& text);
  void ReportUnwrittenRows();
  void LoadSettings();
  void StoreSettings() const;

  HICON m_hIcon;
  std::wstring m_logFilePath;
  std::wstring m_command;
  std::wstring m_columnHeader;
  int m_interval;
  velmar::LoggingRun m_run;
  int m_baudRate = 0;
  int m_runPort = 0;
  HWND m_baudList = nullptr;
  CSerialPort m_serial;
  velmar::LogFileWriter m_logFile;
  bool m_running = false;
  HWND m_portList = nullptr;
};

#include <string>

#include "app/main_dialog_win.h"
#include "framework/ansi_text_win.h"
#include "framework/data_exchange_win.h"
#include "res/resource.h"
#include "serial/query_exchange_win.h"
#include "settings/baud_table.h"
#include "settings/port_list_win.h"

namespace {

constexpr UINT_PTR kPollTimer = 1;

// Adapts the dialog's channel to one poll: the run's port and rate for a reopen, the
// command as it stands now for the query.
class DialogPollLink final : public velmar::PollLink {
 public:
  DialogPollLink(CSerialPort& serial, int port, int baud, const std::wstring& command)
      : serial_(serial), port_(port), baud_(baud), command_(command) {}
  bool IsOpen() const override { return serial_.IsOpen(); }
  bool Reopen() override { return serial_.Open(port_, static_cast<DWORD>(baud_)); }
  bool SendQuery() override {
    return velmar::SendQuery(serial_, command_) == velmar::QueryLineBytes(command_).size();
  }
  std::string ReadReply() override { return velmar::ReadReply(serial_); }

 private:
  CSerialPort& serial_;
  int port_;
  int baud_;
  const std::wstring& command_;
};

// A reply may hold any byte; a NUL would end the window text early, so it is shown as a
// visible symbol instead.
std::wstring DisplayText(const std::string& narrow) {
  std::wstring wide = velmar::FromAnsi(narrow);
  for (wchar_t& c : wide) {
    if (c == L'\0') c = L'\x2400';
  }
  return wide;
}

std::wstring DroppedRowsText(size_t dropped) {
  return L" " + std::to_wstring(dropped) + L" more rows were lost beyond the memory bound.";
}

}  // namespace

void CVelmarDataLoggerDlg::OnOK() { OnStart(); }

void CVelmarDataLoggerDlg::OnCancel() {
  OnStop();
  EndDialog(IDCANCEL);
}

void CVelmarDataLoggerDlg::OnStart() {
  if (!UpdateData(true)) return;
  const int port = velmar::SelectedPortOf(m_portList);
  m_baudRate = velmar::LeadingDecimal(velmar::WindowText(m_baudList));
  m_run.Begin();
  if (!m_serial.Open(port, static_cast<DWORD>(m_baudRate))) {
    ShowMessage(L"Cannot open communications port, aborting!");
    return;
  }
  m_runPort = port;
  m_logFile.DiscardPending();
  if (!m_logFilePath.empty()) {
    if (!m_logFile.WritePreamble(m_logFilePath, m_command, m_columnHeader)) {
      // Idle holds no port: the next Start opens it afresh at the rate chosen then.
      m_serial.Close();
      ShowMessage(L"Cannot open output file, aborting!");
      return;
    }
  } else {
    ShowMessage(L"File name blank, will not log data.");
  }
  StoreSettings();
  SetStatus(L"");
  SetTimer(Hwnd(), kPollTimer, static_cast<UINT>(m_interval), nullptr);
  m_running = true;
  EnableControls(false);
}

void CVelmarDataLoggerDlg::OnStop() {
  EnableControls(true);
  if (!m_running) return;
  KillTimer(Hwnd(), kPollTimer);
  m_serial.Close();
  m_running = false;
  ReportUnwrittenRows();
}

void CVelmarDataLoggerDlg::Poll() {
  if (!m_running) return;
  DialogPollLink link(m_serial, m_runPort, m_baudRate, m_command);
  const velmar::PollResult result = m_run.Poll(link, GetTickCount());
  std::wstring status = DisplayText(velmar::PollStatusText(result, m_runPort));
  if (!m_logFilePath.empty() && !m_logFile.AppendRow(m_logFilePath, result.point, result.elapsedMs, result.reply)) {
    status = L"Error writing to data file.";
  }
  SetStatus(status);
}

// Rows kept while the file was locked get one more try; what still cannot be written is
// reported, never dropped silently.
void CVelmarDataLoggerDlg::ReportUnwrittenRows() {
  while (!m_logFile.FlushPending(m_logFilePath)) {
    std::wstring text = std::to_wstring(m_logFile.PendingCount()) + L" rows could not be written to " +
                        m_logFilePath + L".";
    if (m_logFile.DroppedCount() > 0) text += DroppedRowsText(m_logFile.DroppedCount());
    if (ShowMessage(text, MB_RETRYCANCEL) != IDRETRY) break;
  }
  if (m_logFile.PendingCount() == 0 && m_logFile.DroppedCount() > 0) {
    ShowMessage(L"All kept rows were written to " + m_logFilePath + L"." + DroppedRowsText(m_logFile.DroppedCount()));
  }
  m_logFile.DiscardPending();
}

void CVelmarDataLoggerDlg::EnableControls(bool enable) {
  for (int id : {IDC_PORT, IDC_BAUD, IDC_INTERVAL, IDC_COMMAND, IDC_LOGFILE, IDC_BROWSE, IDOK}) {
    EnableWindow(Item(id), enable);
  }
  EnableWindow(Item(IDC_STOP), !enable);
}

void CVelmarDataLoggerDlg::SetStatus(const std::wstring& text) { SetDlgItemTextW(Hwnd(), IDC_STATUS, text.c_str()); }

#include "app/main_dialog_win.h"

#include <commdlg.h>
#include <shellapi.h>

#include "app/about_dialog_win.h"
#include "app/dialog_timers.h"
#include "app/presets.h"
#include "framework/application_win.h"
#include "framework/data_exchange_win.h"
#include "res/resource.h"
#include "settings/app_settings_win.h"
#include "settings/baud_table.h"
#include "settings/port_list_win.h"

namespace {

using velmar::kPortListTimer;

constexpr UINT kPortListDelayMs = 500;
constexpr int kMinInterval = 100;
constexpr int kMaxInterval = 10000000;

}  // namespace

CVelmarDataLoggerDlg::CVelmarDataLoggerDlg(velmar::Profile settings, HWND parent)
    : Dialog(IDD_VELMARDATALOGGER_DIALOG, parent),
      m_settings(std::move(settings)),
      m_hIcon(LoadIconW(velmar::ResourceModule(), MAKEINTRESOURCEW(IDR_MAINFRAME))),
      m_columnHeader(velmar::kDefaultColumnTitles),
      m_interval(1000) {}

BOOL CVelmarDataLoggerDlg::OnInitDialog() {
  Dialog::OnInitDialog();
  m_session.emplace(Hwnd(), velmar::kPollTimer, m_settings);

  if (HMENU systemMenu = GetSystemMenu(Hwnd(), FALSE)) {
    wchar_t text[256] = {};
    if (LoadStringW(velmar::ResourceModule(), IDS_ABOUTBOX, text, 256) > 0) {
      AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
      AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, text);
    }
  }
  SendMessageW(Hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  SendMessageW(Hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

  LoadSettings();
  UpdateData(false);
  return TRUE;
}

bool CVelmarDataLoggerDlg::DoDataExchange(velmar::DataExchange& exchange) {
  exchange.Text(IDC_LOGFILE, m_logFilePath);
  if (!exchange.BoundedInt(IDC_INTERVAL, m_interval, kMinInterval, kMaxInterval)) return false;
  m_baudList = Item(IDC_BAUD);
  exchange.Text(IDC_COMMAND, m_command);
  m_portList = Item(IDC_PORT);
  return true;
}

bool CVelmarDataLoggerDlg::OnCommand(UINT id, UINT code, HWND) {
  switch (id) {
    case IDC_STOP:
      OnStop();
      return true;
    case IDC_BROWSE:
      OnBrowse();
      return true;
    case IDC_LASER_COMMANDS:
      OnPreset(velmar::kLaserPreset.queryLine, velmar::kLaserPreset.columnTitles);
      return true;
    case IDC_TEC_COMMANDS:
      OnPreset(velmar::kTecPreset.queryLine, velmar::kTecPreset.columnTitles);
      return true;
    case IDC_COMBO_COMMANDS:
      OnPreset(velmar::kComboPreset.queryLine, velmar::kComboPreset.columnTitles);
      return true;
    case IDC_COMMAND:
      // The user's own edit: the preset's titles no longer describe the reply.
      if (code == EN_CHANGE) m_columnHeader = velmar::kDefaultColumnTitles;
      return true;
    case ID_HELP_COMMAND:
      OnHelp();
      return true;
    default:
      return false;
  }
}

bool CVelmarDataLoggerDlg::OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR& result) {
  switch (message) {
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) != IDM_ABOUTBOX) return false;
      OnSysCommand(wParam);
      result = TRUE;
      return true;
    case WM_PAINT:
      result = TRUE;
      return OnPaint();
    case WM_QUERYDRAGICON:
      result = reinterpret_cast<INT_PTR>(m_hIcon);
      return true;
    case WM_TIMER:
      OnTimer(wParam);
      return false;
    case WM_DEVICECHANGE:
      OnDeviceChange();
      return false;
    case WM_ENDSESSION:
      if (wParam) OnEndSession();
      result = 0;
      return true;
    case WM_HELP:
      OnHelp();
      result = TRUE;
      return true;
    default:
      return false;
  }
}

void CVelmarDataLoggerDlg::OnSysCommand(WPARAM) {
  CAboutDlg about(Hwnd());
  about.DoModal();
}

// Minimised, the window shows the application's icon centred in its client area.
bool CVelmarDataLoggerDlg::OnPaint() {
  if (!IsIconic(Hwnd())) return false;
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(Hwnd(), &paint);
  SendMessageW(Hwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client;
  GetClientRect(Hwnd(), &client);
  const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
  DrawIcon(dc, x, y, m_hIcon);
  EndPaint(Hwnd(), &paint);
  return true;
}

void CVelmarDataLoggerDlg::OnTimer(UINT_PTR id) {
  if (id == velmar::kPollTimer) {
    Poll();
  } else if (id == kPortListTimer) {
    KillTimer(Hwnd(), kPortListTimer);
    velmar::RebuildPortList(m_portList, 0, true);
  }
}

// A burst of notices leads to one rebuild, half a second after the last of them.
void CVelmarDataLoggerDlg::OnDeviceChange() {
  KillTimer(Hwnd(), kPortListTimer);
  SetTimer(Hwnd(), kPortListTimer, kPortListDelayMs, nullptr);
}

void CVelmarDataLoggerDlg::OnBrowse() {
  wchar_t file[MAX_PATH] = {};
  m_logFilePath.copy(file, MAX_PATH - 1);
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = Hwnd();
  dialog.lpstrFilter = L"CSV Files (*.csv)\0*.csv\0All Files (*.*)\0*.*\0";
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file;
  dialog.nMaxFile = MAX_PATH;
  dialog.lpstrDefExt = L"csv";
  dialog.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_EXPLORER | OFN_ENABLESIZING;
  if (!GetOpenFileNameW(&dialog)) return;
  m_logFilePath = file;
  SetDlgItemTextW(Hwnd(), IDC_LOGFILE, m_logFilePath.c_str());
}

void CVelmarDataLoggerDlg::OnPreset(const wchar_t* queryLine, const wchar_t* columnTitles) {
  if (UpdateData(true) &&
      (m_command.empty() || ShowMessage(L"Replace existing commands?", MB_YESNO) == IDYES)) {
    m_command = queryLine;
    UpdateData(false);
  }
  m_columnHeader = columnTitles;
}

// Opens the help file beside the executable, when there is one.
void CVelmarDataLoggerDlg::OnHelp() {
  const std::wstring helpFile = velmar::ExecutableBasePath() + L".chm";
  if (GetFileAttributesW(helpFile.c_str()) == INVALID_FILE_ATTRIBUTES) return;
  ShellExecuteW(Hwnd(), L"open", helpFile.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CVelmarDataLoggerDlg::LoadSettings() {
  const velmar::AppSettings stored = velmar::LoadSettings(m_settings);
  velmar::RebuildPortList(m_portList, stored.comPort, false);
  SendMessageW(m_baudList, CB_SETCURSEL, velmar::BaudListIndexForRate(stored.baudRate), 0);
  m_interval = stored.interval;
  m_command = stored.command;
  m_logFilePath = stored.fileName;
  m_columnHeader = stored.header;
}

#include "app/main_dialog_win.h"

#include <commdlg.h>
#include <shellapi.h>

#include "app/about_dialog_win.h"
#include "app/dialog_timers.h"
#include "app/log_options_dialog_win.h"
#include "app/network_instruments_dialog_win.h"
#include "core/presets.h"
#include "framework/application_win.h"
#include "framework/data_exchange_win.h"
#include "framework/gdi_objects_win.h"
#include "res/resource.h"
#include "settings/app_settings_win.h"
#include "settings/baud_table.h"
#include "settings/network_instruments_win.h"
#include "settings/port_list_win.h"
#include "settings/port_selection.h"

namespace {

using velmar::kPortListTimer;

constexpr UINT kLiveChartCommand = 0x0020;
constexpr wchar_t kLiveChartMenuText[] = L"Live &Chart...";
constexpr UINT kLogOptionsCommand = 0x0030;
constexpr wchar_t kLogOptionsMenuText[] = L"Log &Options...";
constexpr UINT kNetworkInstrumentsCommand = 0x0040;
constexpr wchar_t kNetworkInstrumentsMenuText[] = L"Network &Instruments...";

constexpr UINT kPortListDelayMs = 500;

}  // namespace

CVelmarDataLoggerDlg::CVelmarDataLoggerDlg(velmar::Profile settings, velmar::CommandLineResult switches,
                                           HWND parent)
    : Dialog(IDD_VELMARDATALOGGER_DIALOG, parent),
      settings_(std::move(settings)),
      icon_(LoadIconW(velmar::ResourceModule(), MAKEINTRESOURCEW(IDR_MAINFRAME))),
      columnHeader_(velmar::kDefaultColumnTitles),
      interval_(1000),
      switches_(std::move(switches)) {}

BOOL CVelmarDataLoggerDlg::OnInitDialog() {
  Dialog::OnInitDialog();
  session_.emplace(Hwnd(), velmar::kPollTimer, settings_,
                   [window = Hwnd()] { PostMessageW(window, velmar::kConnectionMessage, 0, 0); });
  alarms_.emplace(Hwnd(), velmar::kTrayMessage, icon_, settings_, switches_.options.limits, switches_.closeRequested);
  // The chart follows every run, open or not, so opening it mid-run shows the run from its start.
  chart_.emplace(Hwnd(), settings_);
  chart_->SetAlarms(&*alarms_);
  Session().AddListener(*chart_);
  publishing_.emplace([window = Hwnd()] { PostMessageW(window, velmar::kPublishingNewsMessage, 0, 0); });
  Session().AddListener(*publishing_);

  if (HMENU systemMenu = GetSystemMenu(Hwnd(), FALSE)) {
    AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(systemMenu, MF_STRING, kNetworkInstrumentsCommand, kNetworkInstrumentsMenuText);
    AppendMenuW(systemMenu, MF_STRING, kLogOptionsCommand, kLogOptionsMenuText);
    AppendMenuW(systemMenu, MF_STRING, kLiveChartCommand, kLiveChartMenuText);
    wchar_t text[256] = {};
    if (LoadStringW(velmar::ResourceModule(), IDS_ABOUTBOX, text, 256) > 0) {
      AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
      AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, text);
    }
  }
  SendMessageW(Hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  SendMessageW(Hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));

  LoadSettings();
  ApplySwitches();
  UpdateData(false);
  PostMessageW(Hwnd(), velmar::kStartupMessage, 0, 0);
  return TRUE;
}

bool CVelmarDataLoggerDlg::DoDataExchange(velmar::DataExchange& exchange) {
  exchange.Text(IDC_LOGFILE, logFilePath_);
  if (!exchange.BoundedInt(IDC_INTERVAL, interval_, velmar::kMinInterval, velmar::kMaxInterval)) return false;
  baudList_ = Item(IDC_BAUD);
  exchange.Text(IDC_COMMAND, command_);
  portList_ = Item(IDC_PORT);
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
      if (code == EN_CHANGE) columnHeader_ = velmar::kDefaultColumnTitles;
      return true;
    case ID_HELP_COMMAND:
      OnHelp();
      return true;
    default:
      return false;
  }
}

bool CVelmarDataLoggerDlg::OnSysCommand(WPARAM command) {
  switch (command & 0xFFF0) {
    case kLiveChartCommand:
      chart_->Show();
      return true;
    case kLogOptionsCommand:
      if (CLogOptionsDlg(Hwnd(), settings_).DoModal() == IDOK) alarms_->OptionsChanged();
      return true;
    case kNetworkInstrumentsCommand:
      OnNetworkInstruments();
      return true;
    case IDM_ABOUTBOX: {
      CAboutDlg about(Hwnd());
      about.DoModal();
      return true;
    }
    default:
      return false;
  }
}

velmar::MessageResult CVelmarDataLoggerDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_QUERYDRAGICON:
      return reinterpret_cast<LRESULT>(icon_);
    case WM_DEVICECHANGE:
      OnDeviceChange();
      // The default processing answers Windows' device queries.
      return std::nullopt;
    case velmar::kStartupMessage:
      OnStartupSwitches();
      return 0;
    case velmar::kPublishingNewsMessage:
      OnPublishingNews(false);
      return 0;
    case velmar::kConnectionMessage:
      OnAttemptEnded();
      return 0;
    case WM_QUERYOPEN:
      // The dialog manager shows the dialog normally once its queue first runs dry, which would
      // undo a minimised start; that one restore is refused.
      if (!holdMinimized_) return std::nullopt;
      holdMinimized_ = false;
      return FALSE;
    case WM_ENDSESSION:
      if (wParam) OnEndSession();
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) alarms_->WindowActivated();
      return std::nullopt;
    case velmar::kTrayMessage:
      // A click on the icon brings the window back.
      if (lParam == WM_LBUTTONUP || lParam == WM_LBUTTONDBLCLK) {
        if (IsIconic(Hwnd())) ShowWindow(Hwnd(), SW_RESTORE);
        SetForegroundWindow(Hwnd());
      }
      return 0;
    case WM_HELP:
      OnHelp();
      return TRUE;
    default:
      if (message == velmar::NotificationArea::TaskbarCreatedMessage()) alarms_->TaskbarCreated();
      return std::nullopt;
  }
}

// The icon goes with the window, and the events file gets its last lines.
bool CVelmarDataLoggerDlg::OnDestroy() {
  alarms_->Idle();
  alarms_->Finish();
  return false;
}

// Minimised, the window shows the application's icon centred in its client area.
bool CVelmarDataLoggerDlg::OnPaint() {
  if (!IsIconic(Hwnd())) return false;
  const velmar::PaintScope paint(Hwnd());
  SendMessageW(Hwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(paint.Dc()), 0);
  RECT client;
  GetClientRect(Hwnd(), &client);
  const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
  DrawIcon(paint.Dc(), x, y, icon_);
  return true;
}

bool CVelmarDataLoggerDlg::OnTimer(UINT_PTR id) {
  if (id == velmar::kPollTimer) {
    Poll();
  } else if (id == kPortListTimer) {
    KillTimer(Hwnd(), kPortListTimer);
    RebuildPorts(velmar::kAutoPort, true);
    CheckWaitedPort();
  } else if (id == velmar::kPortWaitTimer) {
    CheckWaitedPort();
  } else if (id == velmar::kDurationTimer) {
    KillTimer(Hwnd(), velmar::kDurationTimer);
    Carry(unattended_.DeadlineTimer(GetTickCount64()));
  } else if (id == velmar::kMinimizedHoldTimer) {
    KillTimer(Hwnd(), velmar::kMinimizedHoldTimer);
    holdMinimized_ = false;
  }
  return true;
}

// A burst of notices leads to one rebuild, half a second after the last of them.
void CVelmarDataLoggerDlg::OnDeviceChange() {
  KillTimer(Hwnd(), kPortListTimer);
  SetTimer(Hwnd(), kPortListTimer, kPortListDelayMs, nullptr);
}

void CVelmarDataLoggerDlg::OnBrowse() {
  wchar_t file[MAX_PATH] = {};
  logFilePath_.copy(file, MAX_PATH - 1);
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
  logFilePath_ = file;
  SetDlgItemTextW(Hwnd(), IDC_LOGFILE, logFilePath_.c_str());
}

void CVelmarDataLoggerDlg::OnPreset(const wchar_t* queryLine, const wchar_t* columnTitles) {
  if (UpdateData(true) &&
      (command_.empty() || ShowMessage(L"Replace existing commands?", MB_YESNO) == IDYES)) {
    command_ = queryLine;
    UpdateData(false);
  }
  columnHeader_ = columnTitles;
}

// Opens the help file beside the executable, when there is one.
void CVelmarDataLoggerDlg::OnHelp() {
  const std::wstring helpFile = velmar::ExecutableBasePath() + L".chm";
  if (GetFileAttributesW(helpFile.c_str()) == INVALID_FILE_ATTRIBUTES) return;
  ShellExecuteW(Hwnd(), L"open", helpFile.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CVelmarDataLoggerDlg::LoadSettings() {
  const velmar::AppSettings stored = velmar::LoadSettings(settings_);
  lastComPort_ = stored.comPort;
  networkInstruments_ = velmar::LoadNetworkInstruments(settings_);
  // The network instrument of the last Start, while it is listed; else the stored COM port.
  const std::optional<velmar::NetworkAddress> last = velmar::LoadLastInstrument(settings_);
  const std::optional<int> lastEntry = last ? NetworkEntryOf(*last) : std::nullopt;
  RebuildPorts(lastEntry.value_or(stored.comPort), false);
  SendMessageW(baudList_, CB_SETCURSEL, velmar::BaudListIndexForRate(stored.baudRate), 0);
  interval_ = stored.interval;
  command_ = stored.command;
  logFilePath_ = stored.fileName;
  columnHeader_ = stored.header;
}


#include "app/log_options_dialog_win.h"

#include <commctrl.h>
#include <commdlg.h>

#include <iterator>

#include "framework/data_exchange_win.h"
#include "publish/mqtt_topics.h"
#include "res/resource.h"
#include "settings/log_options_win.h"

CLogOptionsDlg::CLogOptionsDlg(HWND parent, velmar::Profile profile)
    : Dialog(IDD_LOG_OPTIONS, parent),
      profile_(std::move(profile)),
      options_(velmar::LoadLogOptions(profile_)),
      split_(static_cast<int>(options_.split.mode)),
      rows_(static_cast<int>(options_.split.rows)),
      brokerPort_(options_.broker.port) {}

BOOL CLogOptionsDlg::OnInitDialog() {
  Dialog::OnInitDialog();
  EnableRowCount();
  EnableTlsFiles();
  SendDlgItemMessageW(Hwnd(), IDC_TOPIC_PREFIX, EM_SETCUEBANNER, TRUE,
                      reinterpret_cast<LPARAM>(L"velmar/<computer name>/COM<port>"));
  SendDlgItemMessageW(Hwnd(), IDC_BROKER_CA_FILE, EM_SETCUEBANNER, TRUE,
                      reinterpret_cast<LPARAM>(L"the certificates Windows trusts"));
  SendDlgItemMessageW(Hwnd(), IDC_BROKER_CERT_FILE, EM_SETCUEBANNER, TRUE,
                      reinterpret_cast<LPARAM>(L"none, unless the broker asks"));
  SendDlgItemMessageW(Hwnd(), IDC_BROKER_KEY_FILE, EM_SETCUEBANNER, TRUE,
                      reinterpret_cast<LPARAM>(L"in the certificate's file"));
  return TRUE;
}

bool CLogOptionsDlg::OnCommand(UINT id, UINT code, HWND) {
  if (code == BN_CLICKED && id >= IDC_SPLIT_NEVER && id <= IDC_SPLIT_ROWS) EnableRowCount();
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDC_BROKER_TLS:
      OnTlsToggled();
      return true;
    case IDC_BROKER_CA_BROWSE:
      BrowseFor(IDC_BROKER_CA_FILE);
      return true;
    case IDC_BROKER_CERT_BROWSE:
      BrowseFor(IDC_BROKER_CERT_FILE);
      return true;
    case IDC_BROKER_KEY_BROWSE:
      BrowseFor(IDC_BROKER_KEY_FILE);
      return true;
    default:
      return false;
  }
}

bool CLogOptionsDlg::DoDataExchange(velmar::DataExchange& exchange) {
  velmar::BrokerOptions& broker = options_.broker;
  exchange.Text(IDC_BROKER_HOST, broker.host);
  if (!exchange.BoundedInt(IDC_BROKER_PORT, brokerPort_, 1, velmar::kHighestBrokerPort)) return false;
  exchange.Text(IDC_TOPIC_PREFIX, broker.topicPrefix);
  exchange.Text(IDC_BROKER_USER, broker.user);
  exchange.Text(IDC_BROKER_PASSWORD, broker.password);
  if (exchange.Saving()) {
    broker.tls = IsDlgButtonChecked(Hwnd(), IDC_BROKER_TLS) == BST_CHECKED;
  } else {
    CheckDlgButton(Hwnd(), IDC_BROKER_TLS, broker.tls ? BST_CHECKED : BST_UNCHECKED);
  }
  exchange.Text(IDC_BROKER_CA_FILE, broker.caFile);
  exchange.Text(IDC_BROKER_CERT_FILE, broker.certFile);
  exchange.Text(IDC_BROKER_KEY_FILE, broker.keyFile);
  if (exchange.Saving() && !broker.topicPrefix.empty()) {
    const std::wstring problem = velmar::TopicPrefixProblem(broker.topicPrefix);
    if (!problem.empty()) {
      ShowMessage(problem);
      SetFocus(Item(IDC_TOPIC_PREFIX));
      return false;
    }
  }
  exchange.Radio(IDC_SPLIT_NEVER, 3, split_);
  if (exchange.Saving()) {
    options_.alarmSound = IsDlgButtonChecked(Hwnd(), IDC_ALARM_SOUND) == BST_CHECKED;
  } else {
    CheckDlgButton(Hwnd(), IDC_ALARM_SOUND, options_.alarmSound ? BST_CHECKED : BST_UNCHECKED);
  }
  // The row count is checked only when it is the one chosen.
  if (exchange.Saving() && split_ != static_cast<int>(velmar::SplitMode::Rows)) return true;
  return exchange.BoundedInt(IDC_SPLIT_ROW_COUNT, rows_, static_cast<int>(velmar::kMinSplitRows),
                             static_cast<int>(velmar::kMaxSplitRows));
}

void CLogOptionsDlg::OnOK() {
  if (!UpdateData(true)) return;
  options_.split = {static_cast<velmar::SplitMode>(split_), static_cast<uint32_t>(rows_)};
  options_.broker.port = brokerPort_;
  velmar::StoreLogOptions(profile_, options_);
  EndDialog(IDOK);
}

void CLogOptionsDlg::EnableRowCount() {
  EnableWindow(Item(IDC_SPLIT_ROW_COUNT), IsDlgButtonChecked(Hwnd(), IDC_SPLIT_ROWS) == BST_CHECKED);
}

void CLogOptionsDlg::EnableTlsFiles() {
  const bool tls = IsDlgButtonChecked(Hwnd(), IDC_BROKER_TLS) == BST_CHECKED;
  for (int id : {IDC_BROKER_CA_FILE, IDC_BROKER_CA_BROWSE, IDC_BROKER_CERT_FILE, IDC_BROKER_CERT_BROWSE,
                 IDC_BROKER_KEY_FILE, IDC_BROKER_KEY_BROWSE}) {
    EnableWindow(Item(id), tls);
  }
}

// The port follows the box while it holds the other way's default; a port of the user's stays.
void CLogOptionsDlg::OnTlsToggled() {
  const bool tls = IsDlgButtonChecked(Hwnd(), IDC_BROKER_TLS) == BST_CHECKED;
  BOOL read = FALSE;
  const UINT port = GetDlgItemInt(Hwnd(), IDC_BROKER_PORT, &read, FALSE);
  if (read && port == static_cast<UINT>(velmar::DefaultBrokerPort(!tls))) {
    SetDlgItemInt(Hwnd(), IDC_BROKER_PORT, static_cast<UINT>(velmar::DefaultBrokerPort(tls)), FALSE);
  }
  EnableTlsFiles();
}

void CLogOptionsDlg::BrowseFor(int editId) {
  wchar_t path[MAX_PATH * 4] = L"";
  GetDlgItemTextW(Hwnd(), editId, path, static_cast<int>(std::size(path)));
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = Hwnd();
  dialog.lpstrFilter = L"PEM files (*.pem;*.crt;*.cer;*.key)\0*.pem;*.crt;*.cer;*.key\0All files (*.*)\0*.*\0";
  dialog.lpstrFile = path;
  dialog.nMaxFile = static_cast<DWORD>(std::size(path));
  dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (GetOpenFileNameW(&dialog)) SetDlgItemTextW(Hwnd(), editId, path);
}

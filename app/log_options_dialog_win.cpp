#include "app/log_options_dialog_win.h"

#include "framework/data_exchange_win.h"
#include "res/resource.h"
#include "settings/log_options_win.h"

CLogOptionsDlg::CLogOptionsDlg(HWND parent, velmar::Profile profile)
    : Dialog(IDD_LOG_OPTIONS, parent),
      profile_(std::move(profile)),
      options_(velmar::LoadLogOptions(profile_)),
      split_(static_cast<int>(options_.split.mode)),
      rows_(static_cast<int>(options_.split.rows)) {}

BOOL CLogOptionsDlg::OnInitDialog() {
  Dialog::OnInitDialog();
  EnableRowCount();
  return TRUE;
}

bool CLogOptionsDlg::OnCommand(UINT id, UINT code, HWND) {
  if (code == BN_CLICKED && id >= IDC_SPLIT_NEVER && id <= IDC_SPLIT_ROWS) EnableRowCount();
  return false;
}

bool CLogOptionsDlg::DoDataExchange(velmar::DataExchange& exchange) {
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
  velmar::StoreLogOptions(profile_, options_);
  EndDialog(IDOK);
}

void CLogOptionsDlg::EnableRowCount() {
  EnableWindow(Item(IDC_SPLIT_ROW_COUNT), IsDlgButtonChecked(Hwnd(), IDC_SPLIT_ROWS) == BST_CHECKED);
}

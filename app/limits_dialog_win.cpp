#include "app/limits_dialog_win.h"

#include "core/reply_fields.h"
#include "framework/data_exchange_win.h"
#include "res/resource.h"
#include "settings/column_limits_win.h"

namespace {

std::wstring SideText(const std::optional<double>& side) { return side ? velmar::FormatValue(*side) : L""; }

}  // namespace

CLimitsDlg::CLimitsDlg(HWND parent, velmar::Profile profile, velmar::ColumnLimit limit, OnOk onOk)
    : Dialog(IDD_LIMITS, parent),
      profile_(std::move(profile)),
      limit_(std::move(limit)),
      onOk_(onOk),
      low_(SideText(limit_.low)),
      high_(SideText(limit_.high)),
      polls_(limit_.polls) {}

BOOL CLimitsDlg::OnInitDialog() {
  SetWindowTextW(Hwnd(), (L"Limits for " + std::wstring(velmar::TrimmedTitle(limit_.title))).c_str());
  if (onOk_ == OnOk::ApplyOnly) {
    SetDlgItemTextW(Hwnd(), IDC_LIMIT_SCOPE,
                    L"Set by /limit: OK applies them until the program ends, and stores nothing.");
  }
  return Dialog::OnInitDialog();
}

bool CLimitsDlg::DoDataExchange(velmar::DataExchange& exchange) {
  exchange.Text(IDC_LIMIT_LOW, low_);
  exchange.Text(IDC_LIMIT_HIGH, high_);
  return exchange.BoundedInt(IDC_LIMIT_POLLS, polls_, velmar::kMinLimitPolls, velmar::kMaxLimitPolls);
}

void CLimitsDlg::OnOK() {
  if (!UpdateData(true)) return;
  velmar::ColumnLimit limit{limit_.title, {}, {}, polls_};
  if (!ReadSide(IDC_LIMIT_LOW, low_, limit.low) || !ReadSide(IDC_LIMIT_HIGH, high_, limit.high)) return;
  if (limit.low && limit.high && *limit.low > *limit.high) {
    Reject(IDC_LIMIT_LOW, L"The low limit is above the high limit.");
    return;
  }
  limit_ = std::move(limit);
  if (onOk_ == OnOk::Store) velmar::StoreColumnLimit(profile_, limit_);
  EndDialog(IDOK);
}

bool CLimitsDlg::ReadSide(int id, const std::wstring& text, std::optional<double>& side) {
  if (text.find_first_not_of(L" \t") == std::wstring::npos) return true;
  side = velmar::ReadLimitValue(text);
  if (!side) Reject(id, L"Enter a number such as 25.1, or leave the box empty.");
  return side.has_value();
}

void CLimitsDlg::Reject(int id, const std::wstring& message) {
  ShowMessage(message);
  SetFocus(Item(id));
  SendMessageW(Item(id), EM_SETSEL, 0, -1);
}

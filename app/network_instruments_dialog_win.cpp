#include "app/network_instruments_dialog_win.h"

#include <commctrl.h>

#include <algorithm>

#include "framework/data_exchange_win.h"
#include "res/resource.h"

namespace {

// In the order of velmar::LineEnd.
constexpr const wchar_t* kLineEndChoices[] = {L"LF", L"CR", L"CR LF"};

}  // namespace

CNetworkInstrumentsDlg::CNetworkInstrumentsDlg(HWND parent, std::vector<velmar::NetworkInstrument> instruments)
    : Dialog(IDD_NETWORK_INSTRUMENTS, parent), instruments_(std::move(instruments)) {}

BOOL CNetworkInstrumentsDlg::OnInitDialog() {
  Dialog::OnInitDialog();
  for (const wchar_t* choice : kLineEndChoices) {
    SendDlgItemMessageW(Hwnd(), IDC_NET_LINE_END, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice));
  }
  SendDlgItemMessageW(Hwnd(), IDC_NET_ADDRESS, EM_SETCUEBANNER, TRUE,
                      reinterpret_cast<LPARAM>(L"tcp://10.0.0.5:5025"));
  FillList(instruments_.empty() ? std::nullopt : std::optional<size_t>(0));
  return TRUE;
}

bool CNetworkInstrumentsDlg::OnCommand(UINT id, UINT code, HWND) {
  switch (id) {
    case IDC_NET_LIST:
      if (code == LBN_SELCHANGE) ShowSelected();
      return true;
    case IDC_NET_ADD:
      if (const auto instrument = ReadBoxes()) Carry(velmar::AddInstrument(instruments_, *instrument));
      return true;
    case IDC_NET_CHANGE:
      if (const auto instrument = ReadBoxes()) {
        const std::optional<size_t> index = Selected();
        Carry(index ? velmar::ChangeInstrument(instruments_, *index, *instrument)
                    : velmar::AddInstrument(instruments_, *instrument));
      }
      return true;
    case IDC_NET_REMOVE:
      if (const std::optional<size_t> index = Selected()) {
        instruments_.erase(instruments_.begin() + static_cast<std::ptrdiff_t>(*index));
        // The entry that took its place, or the one before when it was the last.
        std::optional<size_t> next;
        if (!instruments_.empty()) next = std::min(*index, instruments_.size() - 1);
        FillList(next);
      }
      return true;
    default:
      return false;
  }
}

void CNetworkInstrumentsDlg::FillList(std::optional<size_t> select) {
  const HWND list = Item(IDC_NET_LIST);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (const velmar::NetworkInstrument& instrument : instruments_) {
    const std::wstring text = velmar::AddressText(instrument.address);
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  SendMessageW(list, LB_SETCURSEL, select ? static_cast<WPARAM>(*select) : static_cast<WPARAM>(-1), 0);
  ShowSelected();
}

void CNetworkInstrumentsDlg::ShowSelected() {
  const std::optional<size_t> index = Selected();
  const velmar::NetworkInstrument shown = index ? instruments_[*index] : velmar::NetworkInstrument{};
  SetDlgItemTextW(Hwnd(), IDC_NET_ADDRESS, index ? velmar::AddressUrl(shown.address).c_str() : L"");
  SendDlgItemMessageW(Hwnd(), IDC_NET_LINE_END, CB_SETCURSEL, static_cast<WPARAM>(shown.lineEnd), 0);
  SetDlgItemTextW(Hwnd(), IDC_NET_ON_CONNECT, velmar::OnConnectForSwitch(shown.onConnect).c_str());
  EnableWindow(Item(IDC_NET_CHANGE), index.has_value());
  EnableWindow(Item(IDC_NET_REMOVE), index.has_value());
}

std::optional<velmar::NetworkInstrument> CNetworkInstrumentsDlg::ReadBoxes() {
  const std::wstring text = velmar::WindowText(Item(IDC_NET_ADDRESS));
  const std::optional<velmar::NetworkAddress> address = velmar::ParseNetworkAddress(text, velmar::Scheme::Optional);
  if (!address) {
    ShowMessage(L"\"" + text + L"\" is not an address such as tcp://10.0.0.5:5025, labpi:4001 or [fe80::1]:5025.");
    SendDlgItemMessageW(Hwnd(), IDC_NET_ADDRESS, EM_SETSEL, 0, -1);
    SetFocus(Item(IDC_NET_ADDRESS));
    return std::nullopt;
  }
  const LRESULT lineEnd = SendDlgItemMessageW(Hwnd(), IDC_NET_LINE_END, CB_GETCURSEL, 0, 0);
  velmar::NetworkInstrument instrument{*address, velmar::LineEnd::Lf, {}};
  if (lineEnd >= 0 && lineEnd < static_cast<LRESULT>(std::size(kLineEndChoices))) {
    instrument.lineEnd = static_cast<velmar::LineEnd>(lineEnd);
  }
  instrument.onConnect = velmar::OnConnectFromSwitch(velmar::WindowText(Item(IDC_NET_ON_CONNECT)));
  return instrument;
}

void CNetworkInstrumentsDlg::Carry(const velmar::InstrumentListEdit& edit) {
  if (!edit.refusal.empty()) {
    ShowMessage(edit.refusal);
    return;
  }
  FillList(edit.selected);
}

std::optional<size_t> CNetworkInstrumentsDlg::Selected() const {
  const LRESULT index = SendDlgItemMessageW(Hwnd(), IDC_NET_LIST, LB_GETCURSEL, 0, 0);
  if (index < 0 || static_cast<size_t>(index) >= instruments_.size()) return std::nullopt;
  return static_cast<size_t>(index);
}

#include <algorithm>

#include "app/dialog_timers.h"
#include "app/main_dialog_win.h"
#include "app/network_instruments_dialog_win.h"
#include "network/connect_attempt.h"
#include "res/resource.h"
#include "settings/network_instruments_win.h"
#include "settings/port_list_win.h"
#include "settings/port_selection.h"

velmar::InstrumentAddress CVelmarDataLoggerDlg::SelectedInstrument() const {
  const int entry = velmar::SelectedPortOf(portList_);
  const std::optional<size_t> index = velmar::NetworkEntryIndex(entry);
  if (!index || *index >= networkInstruments_.size()) return {entry, std::nullopt};
  velmar::NetworkInstrument instrument = networkInstruments_[*index];
  const velmar::CommandLineOptions& options = switches_.options;
  if (options.lineEnd) instrument.lineEnd = *options.lineEnd;
  if (options.onConnect) instrument.onConnect = *options.onConnect;
  return {lastComPort_, std::move(instrument)};
}

void CVelmarDataLoggerDlg::RebuildPorts(int preferredEntry, bool preferNew) {
  std::vector<std::wstring> names;
  for (const velmar::NetworkInstrument& instrument : networkInstruments_) {
    names.push_back(velmar::AddressText(instrument.address));
  }
  velmar::RebuildPortList(portList_, preferredEntry, preferNew, names);
}

std::optional<int> CVelmarDataLoggerDlg::NetworkEntryOf(const velmar::NetworkAddress& address) const {
  for (size_t i = 0; i < networkInstruments_.size(); ++i) {
    if (velmar::SameAddress(networkInstruments_[i].address, address)) {
      return velmar::kFirstNetworkEntry + static_cast<int>(i);
    }
  }
  return std::nullopt;
}

void CVelmarDataLoggerDlg::ReloadNetworkInstruments() {
  const velmar::InstrumentAddress selected = SelectedInstrument();
  networkInstruments_ = velmar::LoadNetworkInstruments(settings_);
  const velmar::CommandLineOptions& options = switches_.options;
  if (options.network && !NetworkEntryOf(*options.network)) {
    networkInstruments_.push_back({*options.network, options.lineEnd.value_or(velmar::LineEnd::Lf),
                                   options.onConnect.value_or(L"")});
  }
  // The entries' item data now name other instruments: the selection is told by address.
  int keep = velmar::kAutoPort;
  if (selected.network) {
    keep = NetworkEntryOf(selected.network->address).value_or(velmar::kAutoPort);
  } else {
    keep = selected.comPort;
  }
  SendMessageW(portList_, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  RebuildPorts(keep, false);
}

void CVelmarDataLoggerDlg::OnNetworkInstruments() {
  std::vector<velmar::NetworkInstrument> stored = velmar::LoadNetworkInstruments(settings_);
  CNetworkInstrumentsDlg dialog(Hwnd(), std::move(stored));
  if (dialog.DoModal() != IDOK) return;
  velmar::StoreNetworkInstruments(settings_, dialog.Instruments());
  ReloadNetworkInstruments();
}

void CVelmarDataLoggerDlg::OnAttemptEnded() {
  if (!connectingTo_) {
    CheckWaitedPort();
    return;
  }
  velmar::NetworkChannel& network = Channel().Network();
  bool started = false;
  if (network.Open(*connectingTo_->network, velmar::Pace::Paced)) {
    started = FinishStart();
  } else if (network.Connecting()) {
    return;
  } else {
    const velmar::NetworkAddress address = connectingTo_->network->address;
    connectingTo_.reset();
    Channel().Close();
    EnableControls(true);
    SetStatus(L"");
    FocusControl(IDOK);
    ShowMessage(velmar::ConnectFailureMessage(address, network.LastFailure()));
    StartFailed();
  }
  if (std::exchange(switchStartConnecting_, false)) Carry(unattended_.RunStarted(started, GetTickCount64()));
}

// Stop or Close while a Start connects: the attempt is abandoned, nothing was started.
void CVelmarDataLoggerDlg::StopConnecting() {
  connectingTo_.reset();
  Channel().Close();
  SetStatus(L"");
  FocusControl(IDOK);
  if (std::exchange(switchStartConnecting_, false)) Carry(unattended_.RunEnded());
}

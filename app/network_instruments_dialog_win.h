#pragma once
#include <optional>
#include <vector>

#include "core/instrument_address.h"
#include "framework/dialog_win.h"
#include "settings/network_instruments.h"

// "Network Instruments": adds, changes and removes the instruments the Port list offers after
// the COM ports, each an address, the line end of its queries and a text sent once after each
// connection. The list is the dialog's own until OK; the caller stores it.
class CNetworkInstrumentsDlg : public velmar::Dialog {
 public:
  CNetworkInstrumentsDlg(HWND parent, std::vector<velmar::NetworkInstrument> instruments);

  const std::vector<velmar::NetworkInstrument>& Instruments() const { return instruments_; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(UINT id, UINT code, HWND control) override;

 private:
  void FillList(std::optional<size_t> select);
  // The selected entry's values in the boxes; an empty form when none is selected.
  void ShowSelected();
  // The boxes as an instrument; none, with the box to correct focused, when the address is wrong.
  std::optional<velmar::NetworkInstrument> ReadBoxes();
  void Carry(const velmar::InstrumentListEdit& edit);
  std::optional<size_t> Selected() const;

  std::vector<velmar::NetworkInstrument> instruments_;
};

#pragma once
#include "framework/dialog_win.h"
#include "settings/log_options.h"
#include "settings/profile_win.h"

// "Log Options": when a run's log goes on in a new file, whether alarms sound, and the broker
// every row is published to, in clear or over TLS. OK stores the choices in the "Options" key; the split and the
// broker apply from the next Start.
class CLogOptionsDlg : public velmar::Dialog {
 public:
  CLogOptionsDlg(HWND parent, velmar::Profile profile);

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(UINT id, UINT code, HWND control) override;
  bool DoDataExchange(velmar::DataExchange& exchange) override;
  void OnOK() override;

 private:
  void EnableRowCount();
  void EnableTlsFiles();
  void OnTlsToggled();
  void BrowseFor(int editId);

  velmar::Profile profile_;
  velmar::LogOptions options_;
  int split_ = 0;
  int rows_ = 0;
  int brokerPort_ = 0;
};

#pragma once
#include <optional>
#include <string>

#include "core/column_limits.h"
#include "framework/dialog_win.h"
#include "settings/profile_win.h"

// "Limits for <title>": a column's low and high limits (either box may stay empty) and how
// many polls in a row make or end an alarm. Limit() is then the limit to apply from the next
// poll on. OK stores it in the "Limits" key, unless the process's limits come from /limit:
// those are never stored, and the dialog says so.
class CLimitsDlg : public velmar::Dialog {
 public:
  enum class OnOk { Store, ApplyOnly };

  CLimitsDlg(HWND parent, velmar::Profile profile, velmar::ColumnLimit limit, OnOk onOk);

  const velmar::ColumnLimit& Limit() const { return limit_; }

 protected:
  BOOL OnInitDialog() override;
  bool DoDataExchange(velmar::DataExchange& exchange) override;
  void OnOK() override;

 private:
  // A side's box: empty is no limit. False, with the box to correct selected, otherwise.
  bool ReadSide(int id, const std::wstring& text, std::optional<double>& side);
  void Reject(int id, const std::wstring& message);

  velmar::Profile profile_;
  velmar::ColumnLimit limit_;
  OnOk onOk_;
  std::wstring low_;
  std::wstring high_;
  int polls_ = 1;
};

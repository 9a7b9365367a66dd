#pragma once
#include <windows.h>

#include <string>

#include "framework/window_win.h"

namespace velmar {

class DataExchange;

// A modal dialog built from a resource template: the window base's dialog procedure stores
// the object at WM_INITDIALOG and hands each message to the handlers.
class Dialog : public Window {
 public:
  Dialog(UINT templateId, HWND parent);

  INT_PTR DoModal();
  HWND Item(int id) const { return GetDlgItem(Hwnd(), id); }

  // Reads the controls into the fields (true) or writes the fields into the controls
  // (false); returns false when a value was rejected.
  bool UpdateData(bool saveAndValidate);

  // Caption: the application name; OK and OK/Cancel boxes show the exclamation icon,
  // Yes/No boxes the question icon.
  virtual int ShowMessage(const std::wstring& text, UINT buttons = MB_OK);
  void EndDialog(INT_PTR result);

 protected:
  virtual BOOL OnInitDialog();
  virtual bool DoDataExchange(DataExchange& exchange);
  // OK and Cancel, when OnCommand left them.
  virtual void OnOK();
  virtual void OnCancel();
  MessageResult Dispatch(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void AddInitialListEntries();

  UINT templateId_;
  HWND parent_;
  bool inExchange_ = false;
};

}  // namespace velmar

#pragma once
#include <windows.h>

#include <string>

namespace velmar {

class DataExchange;

// A modal dialog built from a resource template. One noexcept dialog procedure stores the
// object at WM_INITDIALOG and forwards to the virtual handlers; no exception reaches Windows.
class Dialog {
 public:
  Dialog(UINT templateId, HWND parent);
  virtual ~Dialog() = default;
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  INT_PTR DoModal();
  HWND Hwnd() const { return hwnd_; }
  HWND Item(int id) const { return GetDlgItem(hwnd_, id); }

  // Reads the controls into the fields (true) or writes the fields into the controls
  // (false); returns false when a value was rejected.
  bool UpdateData(bool saveAndValidate);

  // Caption: the application name; OK and OK/Cancel boxes show the exclamation icon,
  // Yes/No boxes the question icon.
  virtual int ShowMessage(const std::wstring& text, UINT buttons = MB_OK);
  void EndDialog(INT_PTR result);

 protected:
  virtual BOOL OnInitDialog();
  // Each returns true when it handled the message.
  virtual bool OnCommand(UINT id, UINT code, HWND control);
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);
  virtual bool DoDataExchange(DataExchange& exchange);
  virtual void OnOK();
  virtual void OnCancel();

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
  INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
  void AddInitialListEntries();

  UINT templateId_;
  HWND parent_;
  HWND hwnd_ = nullptr;
  bool inExchange_ = false;
};

}  // namespace velmar

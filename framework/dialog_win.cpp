#include "framework/dialog_win.h"

#include <cstring>

#include "framework/ansi_text_win.h"
#include "framework/application_win.h"
#include "framework/data_exchange_win.h"

namespace velmar {
namespace {

constexpr WORD kDialogInitResourceType = 240;
// The list messages of the initial-data records carry their 16-bit numbers.
constexpr WORD kInitListBoxAddString = 0x0401;
constexpr WORD kInitComboBoxAddString = 0x0403;

}  // namespace

Dialog::Dialog(UINT templateId, HWND parent) : templateId_(templateId), parent_(parent) {}

INT_PTR Dialog::DoModal() {
  return DialogBoxParamW(ResourceModule(), MAKEINTRESOURCEW(templateId_), parent_, DialogProc,
                         reinterpret_cast<LPARAM>(static_cast<Window*>(this)));
}

MessageResult Dialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog();
    case WM_COMMAND: {
      // Notifications caused by the exchange's own writes are not the user's edits.
      if (inExchange_ && lParam != 0) return TRUE;
      const UINT id = LOWORD(wParam);
      if (OnCommand(id, HIWORD(wParam), reinterpret_cast<HWND>(lParam))) return TRUE;
      if (id == IDOK) {
        OnOK();
        return TRUE;
      }
      if (id == IDCANCEL) {
        OnCancel();
        return TRUE;
      }
      return std::nullopt;
    }
    default:
      return Window::Dispatch(message, wParam, lParam);
  }
}

BOOL Dialog::OnInitDialog() {
  AddInitialListEntries();
  UpdateData(false);
  return TRUE;
}

bool Dialog::DoDataExchange(DataExchange&) { return true; }

void Dialog::OnOK() {
  if (UpdateData(true)) EndDialog(IDOK);
}

void Dialog::OnCancel() { EndDialog(IDCANCEL); }

void Dialog::EndDialog(INT_PTR result) { ::EndDialog(Hwnd(), result); }

bool Dialog::UpdateData(bool saveAndValidate) {
  const bool wasInExchange = inExchange_;
  inExchange_ = true;
  DataExchange exchange(*this, saveAndValidate);
  bool ok = false;
  try {
    ok = DoDataExchange(exchange);
  } catch (...) {
    inExchange_ = wasInExchange;
    throw;
  }
  inExchange_ = wasInExchange;
  return ok;
}

int Dialog::ShowMessage(const std::wstring& text, UINT buttons) {
  const UINT kind = buttons & MB_TYPEMASK;
  const UINT icon = (kind == MB_YESNO || kind == MB_YESNOCANCEL) ? MB_ICONQUESTION : MB_ICONEXCLAMATION;
  return MessageBoxW(Hwnd(), text.c_str(), ApplicationName().c_str(), buttons | icon);
}

// The template's initial list entries: records of control id, list message and ANSI text,
// ended by a zero id.
void Dialog::AddInitialListEntries() {
  HINSTANCE module = ResourceModule();
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(templateId_), MAKEINTRESOURCEW(kDialogInitResourceType));
  if (!found) return;
  const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
  const DWORD size = SizeofResource(module, found);
  DWORD at = 0;
  while (data && at + 8 <= size) {
    WORD control = 0;
    WORD listMessage = 0;
    DWORD length = 0;
    std::memcpy(&control, data + at, 2);
    if (control == 0) break;
    std::memcpy(&listMessage, data + at + 2, 2);
    std::memcpy(&length, data + at + 4, 4);
    at += 8;
    if (length > size - at) break;
    std::string text(reinterpret_cast<const char*>(data + at), length);
    at += length;
    if (const size_t zero = text.find('\0'); zero != std::string::npos) text.erase(zero);
    const std::wstring wide = FromAnsi(text);
    const UINT add = listMessage == kInitComboBoxAddString ? CB_ADDSTRING
                     : listMessage == kInitListBoxAddString ? LB_ADDSTRING
                                                            : 0;
    if (add) SendDlgItemMessageW(Hwnd(), control, add, 0, reinterpret_cast<LPARAM>(wide.c_str()));
  }
}

}  // namespace velmar

#include "framework/data_exchange_win.h"

#include "core/decimal_text.h"
#include "framework/dialog_win.h"

namespace velmar {

std::wstring WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
  return text;
}

void SetTextIfChanged(HWND window, const std::wstring& text) {
  constexpr size_t kComparedLength = 256;
  if (text.size() >= kComparedLength || WindowText(window) != text) SetWindowTextW(window, text.c_str());
}

void DataExchange::Text(int id, std::wstring& value) {
  HWND control = dialog_.Item(id);
  if (save_) {
    value = WindowText(control);
  } else {
    SetTextIfChanged(control, value);
  }
}

bool DataExchange::BoundedInt(int id, int& value, int minValue, int maxValue) {
  HWND control = dialog_.Item(id);
  if (!save_) {
    SetTextIfChanged(control, std::to_wstring(value));
    return true;
  }
  const IntTextResult parsed = ReadBoundedInt(WindowText(control), minValue, maxValue);
  if (parsed.status != IntTextStatus::Ok) {
    dialog_.ShowMessage(RejectionMessage(parsed.status, minValue, maxValue));
    Fail(id);
    return false;
  }
  value = parsed.value;
  return true;
}

void DataExchange::Radio(int firstId, int count, int& index) {
  for (int i = 0; i < count; ++i) {
    if (save_) {
      if (IsDlgButtonChecked(dialog_.Hwnd(), firstId + i) == BST_CHECKED) index = i;
    } else {
      CheckDlgButton(dialog_.Hwnd(), firstId + i, i == index ? BST_CHECKED : BST_UNCHECKED);
    }
  }
}

void DataExchange::Fail(int id) {
  HWND control = dialog_.Item(id);
  SetFocus(control);
  SendMessageW(control, EM_SETSEL, 0, -1);
}

}  // namespace velmar

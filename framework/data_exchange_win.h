#pragma once
#include <windows.h>

#include <string>

namespace velmar {

class Dialog;

// Moves values between a dialog's controls and its fields, in one direction per exchange.
class DataExchange {
 public:
  DataExchange(Dialog& dialog, bool saveAndValidate) : dialog_(dialog), save_(saveAndValidate) {}

  bool Saving() const { return save_; }

  void Text(int id, std::wstring& value);
  // Rejects a value with a message box, then puts the focus on the control with its whole
  // text selected; returns false then.
  bool BoundedInt(int id, int& value, int minValue, int maxValue);
  // A group of `count` radio buttons with consecutive ids: the index of the checked one.
  void Radio(int firstId, int count, int& index);

 private:
  void Fail(int id);

  Dialog& dialog_;
  bool save_;
};

std::wstring WindowText(HWND window);

// Replaces a control's text only when it differs, so unchanged fields do not flicker or
// raise change notifications; long texts are always replaced.
void SetTextIfChanged(HWND window, const std::wstring& text);

}  // namespace velmar

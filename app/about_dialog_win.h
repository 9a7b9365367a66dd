#pragma once
#include "framework/dialog_win.h"
#include "res/resource.h"

// OK and Escape close it; the framework's defaults do all it needs.
class CAboutDlg : public velmar::Dialog {
 public:
  explicit CAboutDlg(HWND parent) : Dialog(IDD_ABOUTBOX, parent) {}
};

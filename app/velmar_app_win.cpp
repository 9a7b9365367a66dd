#include "app/velmar_app_win.h"

#include <commctrl.h>

#include "app/app_identity.h"
#include "app/main_dialog_win.h"

bool CVelmarDataLoggerApp::InitInstance() {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof(controls);
  controls.dwICC = 0xFF;
  InitCommonControlsEx(&controls);
  SetRegistryKey(velmar::kRegistryRoot);

  CVelmarDataLoggerDlg dialog(velmar::Profile(RegistryRoot(), velmar::ApplicationName()));
  dialog.DoModal();
  return false;
}

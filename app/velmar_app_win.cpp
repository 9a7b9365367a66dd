#include "app/velmar_app_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include <vector>

#include "app/app_identity.h"
#include "app/main_dialog_win.h"
#include "framework/console_win.h"

namespace {

std::vector<std::wstring> CommandLineArguments() {
  std::vector<std::wstring> arguments;
  int count = 0;
  if (LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count)) {
    for (int i = 1; i < count; ++i) arguments.emplace_back(argv[i]);
    LocalFree(argv);
  }
  return arguments;
}

}  // namespace

bool CVelmarDataLoggerApp::InitInstance() {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof(controls);
  controls.dwICC = 0xFF;
  InitCommonControlsEx(&controls);
  SetRegistryKey(velmar::kRegistryRoot);

  const velmar::CommandLineResult switches = velmar::ParseCommandLine(CommandLineArguments());
  if (switches.options.showUsage) {
    // Under /close nobody may be there to close a box: the usage goes to the console instead.
    if (switches.closeRequested) {
      velmar::TellStartingConsole(velmar::CommandLineUsage());
    } else {
      MessageBoxW(nullptr, velmar::CommandLineUsage().c_str(), velmar::ApplicationName().c_str(),
                  MB_OK | MB_ICONINFORMATION);
    }
    return false;
  }
  CVelmarDataLoggerDlg dialog(velmar::Profile(RegistryRoot(), velmar::ApplicationName()), switches);
  dialog.DoModal();
  SetExitCode(static_cast<int>(dialog.ExitCode()));
  return false;
}

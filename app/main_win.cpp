#include <windows.h>

#include "app/velmar_app_win.h"

namespace {
CVelmarDataLoggerApp theApp;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  return velmar::Application::Instance()->Run(instance);
}

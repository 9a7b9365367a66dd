#include <windows.h>

#include "app/velmar_app_win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  CVelmarDataLoggerApp app;
  return app.Run();
}

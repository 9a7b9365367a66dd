#pragma once
#include "framework/application_win.h"

class CVelmarDataLoggerApp : public velmar::Application {
 protected:
  bool InitInstance() override;
};

#pragma once
#include <windows.h>

#include <string>

namespace velmar {

// The process's application object: the entry point creates it and hands control to its
// start-up hook.
class Application {
 public:
  Application() = default;
  virtual ~Application() = default;
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Runs the start-up hook; the process ends when it returns, with the exit code set meanwhile.
  int Run() noexcept;

  const std::wstring& RegistryRoot() const { return registryRoot_; }

 protected:
  // Returns false to end the process without a message loop of the framework's own.
  virtual bool InitInstance() = 0;
  void SetRegistryKey(std::wstring root) { registryRoot_ = std::move(root); }
  void SetExitCode(int code) { exitCode_ = code; }

 private:
  std::wstring registryRoot_;
  int exitCode_ = 0;
};

// The module resources come from: the executable.
HINSTANCE ResourceModule();

// The running executable's full path without its file name's last extension; a help file
// beside the executable is named after it.
std::wstring ExecutableBasePath();

// The executable's file name without its last extension: the caption of every message
// box and the name under which the settings are kept.
std::wstring ApplicationName();

}  // namespace velmar

#pragma once
#include <windows.h>

#include "logfile/log_storage_win.h"
#include "serial/serial_port_win.h"
#include "session/logging_session.h"
#include "settings/profile_win.h"

namespace velmar {

class SerialSessionChannel final : public SessionChannel {
 public:
  bool Open(int port, int baudRate) override;
  void Close() override;
  bool IsOpen() const override;
  bool SendQuery(const std::wstring& command) override;
  std::string ReadReply() override;

 private:
  CSerialPort port_;
};

// A window timer of the given window, re-armed with each delay.
class WindowPollTimer final : public PollTimer {
 public:
  WindowPollTimer(HWND window, UINT_PTR id) : window_(window), id_(id) {}
  bool Arm(uint32_t delayMs) override;
  void Disarm() override;

 private:
  HWND window_;
  UINT_PTR id_;
};

class SystemClock final : public SessionClock {
 public:
  uint64_t TickCount() override;
  double FineMs() override;
  LocalDateTime LocalNow() override;
};

class ProfileSettingsSink final : public SettingsSink {
 public:
  explicit ProfileSettingsSink(Profile profile) : profile_(std::move(profile)) {}
  void Store(const AppSettings& settings) override;

 private:
  Profile profile_;
};

// The session over the real port, file, window timer, clock and registry.
class WindowsLoggingSession {
 public:
  WindowsLoggingSession(HWND timerWindow, UINT_PTR timerId, Profile settingsProfile)
      : timer_(timerWindow, timerId), settings_(std::move(settingsProfile)) {}
  WindowsLoggingSession(const WindowsLoggingSession&) = delete;
  WindowsLoggingSession& operator=(const WindowsLoggingSession&) = delete;

  LoggingSession& Session() { return session_; }

 private:
  SerialSessionChannel channel_;
  WindowsLogStorage storage_;
  WindowPollTimer timer_;
  SystemClock clock_;
  ProfileSettingsSink settings_;
  LoggingSession session_{channel_, storage_, timer_, clock_, settings_};
};

}  // namespace velmar

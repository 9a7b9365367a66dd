#pragma once
#include <winsock2.h>
#include <windows.h>

#include <optional>

#include "logfile/log_storage_win.h"
#include "network/network_channel_win.h"
#include "serial/serial_port_win.h"
#include "session/logging_session.h"
#include "settings/profile_win.h"

namespace velmar {

// The run's link: the COM port or the network instrument its address names.
class InstrumentChannel final : public SessionChannel {
 public:
  explicit InstrumentChannel(NetworkChannel::AttemptEnded onAttemptEnded) : network_(std::move(onAttemptEnded)) {}

  bool Open(const InstrumentAddress& instrument, int baudRate) override;
  void Close() override;
  bool IsOpen() const override;
  bool SendQuery(const std::wstring& command) override;
  std::string ReadReply() override;
  std::wstring OpenFailure() const override;

  NetworkChannel& Network() { return network_; }

 private:
  CSerialPort port_;
  NetworkChannel network_;
  std::optional<NetworkAddress> networkAddress_;
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
  void Store(const AppSettings& settings, const InstrumentAddress& instrument) override;

 private:
  Profile profile_;
};

// The session over the real port or network, file, window timer, clock and registry.
// onAttemptEnded is called on a network thread whenever a connection attempt has ended.
class WindowsLoggingSession {
 public:
  WindowsLoggingSession(HWND timerWindow, UINT_PTR timerId, Profile settingsProfile,
                        NetworkChannel::AttemptEnded onAttemptEnded)
      : channel_(std::move(onAttemptEnded)), timer_(timerWindow, timerId), settings_(std::move(settingsProfile)) {}
  WindowsLoggingSession(const WindowsLoggingSession&) = delete;
  WindowsLoggingSession& operator=(const WindowsLoggingSession&) = delete;

  LoggingSession& Session() { return session_; }
  InstrumentChannel& Channel() { return channel_; }

 private:
  InstrumentChannel channel_;
  WindowsLogStorage storage_;
  WindowPollTimer timer_;
  SystemClock clock_;
  ProfileSettingsSink settings_;
  LoggingSession session_{channel_, storage_, timer_, clock_, settings_};
};

}  // namespace velmar

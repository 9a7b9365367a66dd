#pragma once
#include <cstdint>
#include <string>

#include "core/run_types.h"
#include "settings/app_settings.h"

namespace velmar {

// The serial link as a run drives it.
class SessionChannel {
 public:
  virtual ~SessionChannel() = default;
  virtual bool Open(int port, int baudRate) = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  // True when the whole query line (the command and LF) went out.
  virtual bool SendQuery(const std::wstring& command) = 0;
  virtual std::string ReadReply() = 0;
};

// The measurement timer: one shot per arming, re-armed after every poll.
class PollTimer {
 public:
  virtual ~PollTimer() = default;
  virtual bool Arm(uint32_t delayMs) = 0;
  virtual void Disarm() = 0;
};

class SessionClock {
 public:
  virtual ~SessionClock() = default;
  // The 64-bit millisecond tick the log file's times are differences of.
  virtual uint64_t TickCount() = 0;
  // A fine clock for the poll schedule, in milliseconds.
  virtual double FineMs() = 0;
  virtual LocalDateTime LocalNow() = 0;
};

class SettingsSink {
 public:
  virtual ~SettingsSink() = default;
  virtual void Store(const AppSettings& settings) = 0;
};

}  // namespace velmar

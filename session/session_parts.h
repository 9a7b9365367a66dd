#pragma once
#include <cstdint>
#include <string>

#include "core/instrument_address.h"
#include "core/run_types.h"
#include "settings/app_settings.h"

namespace velmar {

// The link to the instrument as a run drives it, opened from the run's address: a COM port or
// a network instrument, whichever it is.
class SessionChannel {
 public:
  virtual ~SessionChannel() = default;
  // One attempt, without waiting for the network: a network instrument's connection is made in
  // the background, and this is true once it is there.
  virtual bool Open(const InstrumentAddress& instrument, int baudRate) = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  // True when the whole query line (the command and its line end) went out.
  virtual bool SendQuery(const std::wstring& command) = 0;
  virtual std::string ReadReply() = 0;
  // The box a Start shows when Open failed.
  virtual std::wstring OpenFailure() const = 0;
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
  // The six values, and which network instrument the run used, if any.
  virtual void Store(const AppSettings& settings, const InstrumentAddress& instrument) = 0;
};

}  // namespace velmar

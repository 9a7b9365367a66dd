#include "session/session_parts_win.h"

#include "serial/query_exchange_win.h"
#include "settings/app_settings_win.h"

namespace velmar {

bool SerialSessionChannel::Open(int port, int baudRate) { return port_.Open(port, static_cast<DWORD>(baudRate)); }

void SerialSessionChannel::Close() { port_.Close(); }

bool SerialSessionChannel::IsOpen() const { return port_.IsOpen(); }

bool SerialSessionChannel::SendQuery(const std::wstring& command) {
  return velmar::SendQuery(port_, command) == QueryLineBytes(command).size();
}

std::string SerialSessionChannel::ReadReply() { return velmar::ReadReply(port_); }

bool WindowPollTimer::Arm(uint32_t delayMs) {
  // Timer messages come after input, so even a poll due at once leaves Stop clickable.
  return SetTimer(window_, id_, delayMs < USER_TIMER_MINIMUM ? USER_TIMER_MINIMUM : delayMs, nullptr) != 0;
}

void WindowPollTimer::Disarm() { KillTimer(window_, id_); }

uint64_t SystemClock::TickCount() { return GetTickCount64(); }

double SystemClock::FineMs() {
  LARGE_INTEGER frequency{};
  LARGE_INTEGER counter{};
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

LocalDateTime SystemClock::LocalNow() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

void ProfileSettingsSink::Store(const AppSettings& settings) { StoreSettings(profile_, settings); }

}  // namespace velmar

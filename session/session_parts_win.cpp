#include "session/session_parts_win.h"

#include "serial/query_exchange_win.h"
#include "settings/app_settings_win.h"
#include "settings/network_instruments_win.h"

namespace velmar {

bool InstrumentChannel::Open(const InstrumentAddress& instrument, int baudRate) {
  if (instrument.network) {
    port_.Close();
    networkAddress_ = instrument.network->address;
    return network_.Open(*instrument.network, Pace::Paced);
  }
  network_.Close();
  networkAddress_.reset();
  return port_.Open(instrument.comPort, static_cast<DWORD>(baudRate));
}

void InstrumentChannel::Close() {
  port_.Close();
  network_.Close();
}

bool InstrumentChannel::IsOpen() const { return networkAddress_ ? network_.IsOpen() : port_.IsOpen(); }

bool InstrumentChannel::SendQuery(const std::wstring& command) {
  if (networkAddress_) return network_.SendQuery(command);
  return velmar::SendQuery(port_, command) == QueryLineBytes(command).size();
}

std::string InstrumentChannel::ReadReply() {
  return networkAddress_ ? network_.ReadReply() : velmar::ReadReply(port_);
}

std::wstring InstrumentChannel::OpenFailure() const {
  if (!networkAddress_) return L"Cannot open communications port, aborting!";
  return ConnectFailureMessage(*networkAddress_, network_.LastFailure());
}

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

void ProfileSettingsSink::Store(const AppSettings& settings, const InstrumentAddress& instrument) {
  StoreSettings(profile_, settings);
  StoreLastInstrument(profile_, instrument);
}

}  // namespace velmar

#include "cli/switch_values.h"

#include <cstddef>

#include "cli/switch_text.h"
#include "core/decimal_text.h"

namespace velmar {

namespace {

constexpr std::uint64_t kMsPerSecond = 1000;
constexpr std::uint64_t kMsPerMinute = 60 * kMsPerSecond;
constexpr std::uint64_t kMsPerHour = 60 * kMsPerMinute;
constexpr std::uint64_t kMaxDurationMs = 1000 * kMsPerHour;
// Nine decimals are far finer than a millisecond of an hour; more are ignored.
constexpr std::size_t kMaxFractionDigits = 9;

}  // namespace

std::optional<std::uint64_t> ReadDurationMs(std::wstring_view text) {
  std::uint64_t unitMs = kMsPerSecond;
  if (!text.empty()) {
    const wchar_t unit = AsciiLower(text.back());
    if (unit == L's' || unit == L'm' || unit == L'h') {
      unitMs = unit == L'h' ? kMsPerHour : unit == L'm' ? kMsPerMinute : kMsPerSecond;
      text.remove_suffix(1);
    }
  }
  const std::size_t point = text.find(L'.');
  const std::wstring_view whole = text.substr(0, point);
  const std::wstring_view fraction =
      point == std::wstring_view::npos ? std::wstring_view{} : text.substr(point + 1);
  // Saturating just above the limit keeps the products below far from overflow.
  const DigitRun wholeUnits = ReadDigitRun(whole, kMaxDurationMs + 1);
  const DigitRun fractionDigits = ReadDigitRun(fraction.substr(0, kMaxFractionDigits));
  if (wholeUnits.length == 0 || wholeUnits.length != whole.size() ||
      (point != std::wstring_view::npos && (fraction.empty() || ReadDigitRun(fraction).length != fraction.size()))) {
    return std::nullopt;
  }
  std::uint64_t denominator = 1;
  for (std::size_t i = 0; i < fractionDigits.length; ++i) denominator *= 10;
  const std::uint64_t numerator = fractionDigits.value;
  return wholeUnits.value * unitMs + (numerator * unitMs + denominator / 2) / denominator;
}

std::optional<BrokerAddress> ReadBrokerAddress(std::wstring_view text) {
  if (EqualsNoCase(text, L"off")) return BrokerAddress{{}, kDefaultBrokerPort, false};
  bool tls = false;
  for (const bool secure : {false, true}) {
    const std::wstring_view scheme = secure ? L"mqtts://" : L"mqtt://";
    if (text.size() >= scheme.size() && EqualsNoCase(text.substr(0, scheme.size()), scheme)) {
      text.remove_prefix(scheme.size());
      tls = secure;
      break;
    }
  }
  std::wstring_view host = text;
  std::wstring_view port;
  if (!text.empty() && text.front() == L'[') {
    const std::size_t close = text.find(L']');
    if (close == std::wstring_view::npos) return std::nullopt;
    host = text.substr(1, close - 1);
    const std::wstring_view rest = text.substr(close + 1);
    if (!rest.empty() && (rest.front() != L':' || (port = rest.substr(1)).empty())) return std::nullopt;
  } else if (const std::size_t colon = text.find(L':'); colon != std::wstring_view::npos && text.find(L':', colon + 1) == std::wstring_view::npos) {
    host = text.substr(0, colon);
    port = text.substr(colon + 1);
    if (port.empty()) return std::nullopt;
  }
  BrokerAddress address{std::wstring(host), DefaultBrokerPort(tls), tls};
  if (!port.empty()) {
    const std::optional<int> number = AllDigits(port);
    if (!number || *number < 1 || *number > kHighestBrokerPort) return std::nullopt;
    address.port = *number;
  }
  if (address.host.empty()) return std::nullopt;
  return address;
}

std::wstring ReadTime(std::wstring_view value, std::optional<std::uint64_t>& timeMs) {
  const std::optional<std::uint64_t> ms = ReadDurationMs(value);
  if (!ms) {
    return Quoted(value) + L" is not a time such as 90, 90s, 2m or 1.5h.";
  }
  if (*ms == 0 || *ms > kMaxDurationMs) {
    return Quoted(value) + L" is out of range: the time must be above 0 and at most 1000h.";
  }
  timeMs = *ms;
  return {};
}

}  // namespace velmar

#include "core/instrument_address.h"

#include <algorithm>
#include <array>

#include "core/decimal_text.h"

namespace velmar {
namespace {

constexpr std::wstring_view kScheme = L"tcp://";
constexpr size_t kMaxHostName = 253;
constexpr size_t kMaxLabel = 63;
constexpr int kIpv6Groups = 8;

wchar_t AsciiLower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool EqualNoCase(std::wstring_view a, std::wstring_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](wchar_t x, wchar_t y) { return AsciiLower(x) == AsciiLower(y); });
}

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool IsHex(wchar_t c) { return IsDigit(c) || (AsciiLower(c) >= L'a' && AsciiLower(c) <= L'f'); }
bool IsAlnum(wchar_t c) { return IsDigit(c) || (AsciiLower(c) >= L'a' && AsciiLower(c) <= L'z'); }

bool AllOf(std::wstring_view text, bool (*test)(wchar_t)) {
  return !text.empty() && std::all_of(text.begin(), text.end(), test);
}

bool IsIpv4(std::wstring_view text) {
  int parts = 0;
  for (size_t start = 0;; ++parts) {
    const size_t dot = text.find(L'.', start);
    const std::wstring_view part = text.substr(start, dot == std::wstring_view::npos ? dot : dot - start);
    if (part.size() > 3 || !AllOf(part, IsDigit) || ReadDigitRun(part).value > 255) return false;
    if (dot == std::wstring_view::npos) return parts == 3;
    start = dot + 1;
  }
}

// Groups of one to four hex digits, at most one "::" standing for the missing ones, the last
// 32 bits possibly as a dotted IPv4 address; a zone ("%eth0", "%3") may follow.
bool IsIpv6(std::wstring_view text) {
  if (const size_t zone = text.find(L'%'); zone != std::wstring_view::npos) {
    const std::wstring_view name = text.substr(zone + 1);
    if (!AllOf(name, [](wchar_t c) { return IsAlnum(c) || c == L'.' || c == L'_' || c == L'-'; })) return false;
    text = text.substr(0, zone);
  }
  const size_t gap = text.find(L"::");
  if (gap != std::wstring_view::npos && text.find(L"::", gap + 1) != std::wstring_view::npos) return false;
  int groups = 0;
  const auto countGroups = [&groups](std::wstring_view side, bool last) {
    if (side.empty()) return true;
    for (size_t start = 0;;) {
      const size_t colon = side.find(L':', start);
      const std::wstring_view group = side.substr(start, colon == std::wstring_view::npos ? colon : colon - start);
      if (colon == std::wstring_view::npos && last && group.find(L'.') != std::wstring_view::npos) {
        groups += 2;
        return IsIpv4(group);
      }
      if (group.size() > 4 || !AllOf(group, IsHex)) return false;
      ++groups;
      if (colon == std::wstring_view::npos) return true;
      start = colon + 1;
    }
  };
  if (gap == std::wstring_view::npos) return countGroups(text, true) && groups == kIpv6Groups;
  return countGroups(text.substr(0, gap), false) && countGroups(text.substr(gap + 2), true) && groups < kIpv6Groups;
}

// Labels of letters, digits, '-' and '_' (no '-' at either end), the last not all digits (that
// would be a malformed IPv4 address); or a dotted IPv4 address.
bool IsHostName(std::wstring_view text) {
  if (text.empty() || text.size() > kMaxHostName) return false;
  if (IsIpv4(text)) return true;
  std::wstring_view label;
  for (size_t start = 0;;) {
    const size_t dot = text.find(L'.', start);
    label = text.substr(start, dot == std::wstring_view::npos ? dot : dot - start);
    if (label.empty() || label.size() > kMaxLabel || label.front() == L'-' || label.back() == L'-' ||
        !AllOf(label, [](wchar_t c) { return IsAlnum(c) || c == L'-' || c == L'_'; })) {
      return false;
    }
    if (dot == std::wstring_view::npos) break;
    start = dot + 1;
  }
  return !AllOf(label, IsDigit);
}

}  // namespace

std::string_view LineEndBytes(LineEnd end) {
  switch (end) {
    case LineEnd::Cr:
      return "\r";
    case LineEnd::CrLf:
      return "\r\n";
    case LineEnd::Lf:
      break;
  }
  return "\n";
}

std::wstring_view LineEndName(LineEnd end) {
  switch (end) {
    case LineEnd::Cr:
      return L"CR";
    case LineEnd::CrLf:
      return L"CRLF";
    case LineEnd::Lf:
      break;
  }
  return L"LF";
}

std::optional<LineEnd> LineEndFromName(std::wstring_view name) {
  for (const LineEnd end : {LineEnd::Lf, LineEnd::Cr, LineEnd::CrLf}) {
    if (EqualNoCase(name, LineEndName(end))) return end;
  }
  return std::nullopt;
}

std::optional<NetworkAddress> ParseNetworkAddress(std::wstring_view text, Scheme scheme) {
  if (text.size() >= kScheme.size() && EqualNoCase(text.substr(0, kScheme.size()), kScheme)) {
    text.remove_prefix(kScheme.size());
  } else if (scheme == Scheme::Required) {
    return std::nullopt;
  }
  const size_t colon = text.rfind(L':');
  if (colon == std::wstring_view::npos) return std::nullopt;
  std::wstring_view host = text.substr(0, colon);
  const std::wstring_view port = text.substr(colon + 1);
  if (port.size() > 5 || !AllOf(port, IsDigit)) return std::nullopt;
  const int number = static_cast<int>(ReadDigitRun(port).value);
  if (number < 1 || number > kHighestTcpPort) return std::nullopt;
  if (host.size() >= 2 && host.front() == L'[' && host.back() == L']') {
    host = host.substr(1, host.size() - 2);
    if (!IsIpv6(host)) return std::nullopt;
  } else if (!IsHostName(host)) {
    return std::nullopt;
  }
  return NetworkAddress{std::wstring(host), number};
}

std::wstring AddressText(const NetworkAddress& address) {
  const bool ipv6 = address.host.find(L':') != std::wstring::npos;
  return (ipv6 ? L"[" + address.host + L"]" : address.host) + L":" + std::to_wstring(address.port);
}

std::wstring AddressUrl(const NetworkAddress& address) { return std::wstring(kScheme) + AddressText(address); }

bool SameAddress(const NetworkAddress& a, const NetworkAddress& b) {
  return a.port == b.port && EqualNoCase(a.host, b.host);
}

std::wstring OnConnectFromSwitch(std::wstring_view text) {
  std::wstring lines;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\\' && i + 1 < text.size() && (text[i + 1] == L'n' || text[i + 1] == L'\\')) {
      lines.push_back(text[++i] == L'n' ? L'\n' : L'\\');
    } else {
      lines.push_back(text[i]);
    }
  }
  return lines;
}

std::wstring OnConnectForSwitch(std::wstring_view lines) {
  std::wstring text;
  for (const wchar_t c : lines) {
    if (c == L'\n') {
      text += L"\\n";
    } else if (c == L'\\') {
      text += L"\\\\";
    } else {
      text.push_back(c);
    }
  }
  return text;
}

std::wstring OnConnectLines(const NetworkInstrument& instrument) {
  if (instrument.onConnect.empty()) return {};
  const std::string_view endBytes = LineEndBytes(instrument.lineEnd);
  const std::wstring end(endBytes.begin(), endBytes.end());
  std::wstring bytes;
  for (const wchar_t c : instrument.onConnect) {
    if (c == L'\n') {
      bytes += end;
    } else {
      bytes.push_back(c);
    }
  }
  return bytes + end;
}

std::wstring InstrumentName(const InstrumentAddress& address) {
  if (address.network) return AddressText(address.network->address);
  return L"COM" + std::to_wstring(address.comPort);
}

}  // namespace velmar

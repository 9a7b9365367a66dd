#include "settings/network_instruments.h"

#include <algorithm>
#include <cwctype>

namespace velmar {

std::optional<NetworkInstrument> StoredInstrument(std::wstring_view name, std::wstring_view data) {
  const std::optional<NetworkAddress> address = ParseNetworkAddress(name);
  const size_t space = data.find(L' ');
  const std::optional<LineEnd> lineEnd = LineEndFromName(data.substr(0, space));
  if (!address || !lineEnd) return std::nullopt;
  NetworkInstrument instrument{*address, *lineEnd, {}};
  if (space != std::wstring_view::npos) instrument.onConnect = std::wstring(data.substr(space + 1));
  return instrument;
}

std::wstring StoredInstrumentData(const NetworkInstrument& instrument) {
  std::wstring data(LineEndName(instrument.lineEnd));
  if (!instrument.onConnect.empty()) data += L" " + instrument.onConnect;
  return data;
}

void SortInstruments(std::vector<NetworkInstrument>& instruments) {
  const auto key = [](const NetworkInstrument& instrument) {
    std::wstring text = AddressText(instrument.address);
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
  };
  std::stable_sort(instruments.begin(), instruments.end(),
                   [&](const NetworkInstrument& a, const NetworkInstrument& b) { return key(a) < key(b); });
  const auto same = [](const NetworkInstrument& a, const NetworkInstrument& b) {
    return SameAddress(a.address, b.address);
  };
  instruments.erase(std::unique(instruments.begin(), instruments.end(), same), instruments.end());
}

namespace {

InstrumentListEdit Placed(std::vector<NetworkInstrument>& list, const NetworkInstrument& instrument) {
  SortInstruments(list);
  for (size_t i = 0; i < list.size(); ++i) {
    if (SameAddress(list[i].address, instrument.address)) return {i, {}};
  }
  return {};
}

std::optional<size_t> IndexOf(const std::vector<NetworkInstrument>& list, const NetworkAddress& address) {
  for (size_t i = 0; i < list.size(); ++i) {
    if (SameAddress(list[i].address, address)) return i;
  }
  return std::nullopt;
}

std::wstring ListedAlready(const NetworkAddress& address) { return AddressText(address) + L" is listed already."; }

}  // namespace

InstrumentListEdit AddInstrument(std::vector<NetworkInstrument>& list, const NetworkInstrument& instrument) {
  if (IndexOf(list, instrument.address)) return {std::nullopt, ListedAlready(instrument.address)};
  list.push_back(instrument);
  return Placed(list, instrument);
}

InstrumentListEdit ChangeInstrument(std::vector<NetworkInstrument>& list, size_t index,
                                    const NetworkInstrument& instrument) {
  if (index >= list.size()) return AddInstrument(list, instrument);
  const std::optional<size_t> other = IndexOf(list, instrument.address);
  if (other && *other != index) return {std::nullopt, ListedAlready(instrument.address)};
  list[index] = instrument;
  return Placed(list, instrument);
}

}  // namespace velmar

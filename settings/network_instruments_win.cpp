#include "settings/network_instruments_win.h"

#include <algorithm>

namespace velmar {

std::vector<NetworkInstrument> LoadNetworkInstruments(const Profile& profile) {
  std::vector<NetworkInstrument> instruments;
  for (const std::wstring& name : profile.ValueNames(kNetworkSection)) {
    if (auto instrument = StoredInstrument(name, profile.ReadText(kNetworkSection, name.c_str()))) {
      instruments.push_back(std::move(*instrument));
    }
  }
  SortInstruments(instruments);
  return instruments;
}

void StoreNetworkInstruments(const Profile& profile, const std::vector<NetworkInstrument>& instruments) {
  for (const std::wstring& name : profile.ValueNames(kNetworkSection)) {
    if (ParseNetworkAddress(name)) profile.DeleteValue(kNetworkSection, name.c_str());
  }
  for (const NetworkInstrument& instrument : instruments) {
    profile.WriteText(kNetworkSection, AddressUrl(instrument.address).c_str(), StoredInstrumentData(instrument));
  }
}

std::optional<NetworkAddress> LoadLastInstrument(const Profile& profile) {
  return ParseNetworkAddress(profile.ReadText(kNetworkSection, kLastUsedValue));
}

void StoreLastInstrument(const Profile& profile, const InstrumentAddress& instrument) {
  if (!instrument.network) {
    profile.DeleteValue(kNetworkSection, kLastUsedValue);
    return;
  }
  const NetworkAddress& address = instrument.network->address;
  const std::vector<NetworkInstrument> stored = LoadNetworkInstruments(profile);
  if (std::none_of(stored.begin(), stored.end(),
                   [&](const NetworkInstrument& known) { return SameAddress(known.address, address); })) {
    profile.WriteText(kNetworkSection, AddressUrl(address).c_str(), StoredInstrumentData(*instrument.network));
  }
  profile.WriteText(kNetworkSection, kLastUsedValue, AddressUrl(address));
}

}  // namespace velmar

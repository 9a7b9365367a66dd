#pragma once
#include <optional>
#include <vector>

#include "core/instrument_address.h"
#include "settings/network_instruments.h"
#include "settings/profile_win.h"

namespace velmar {

// The stored network instruments, in the Port list's order; values not understood are skipped.
std::vector<NetworkInstrument> LoadNetworkInstruments(const Profile& profile);
// Replaces the stored instruments with these; "LastUsed" stays.
void StoreNetworkInstruments(const Profile& profile, const std::vector<NetworkInstrument>& instruments);

std::optional<NetworkAddress> LoadLastInstrument(const Profile& profile);
// At a successful Start: a network instrument becomes "LastUsed", and is stored when it was not
// (one given on the command line); a COM port clears "LastUsed", so it is selected next time.
void StoreLastInstrument(const Profile& profile, const InstrumentAddress& instrument);

}  // namespace velmar

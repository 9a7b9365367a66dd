#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/instrument_address.h"

namespace velmar {

// The network instruments are kept in a key of their own beside "Settings", one string value
// each: named by the address ("tcp://10.0.0.5:5025"), holding the line end ("LF", "CR" or
// "CRLF"), then, when there is one, a space and the on-connect text. The value "LastUsed"
// names the instrument of the last successful Start, when that was a network instrument.
inline constexpr wchar_t kNetworkSection[] = L"Network";
inline constexpr wchar_t kLastUsedValue[] = L"LastUsed";

// The instrument a value describes; none when its name or data is not understood, so a value
// written by hand or by another program is passed over.
std::optional<NetworkInstrument> StoredInstrument(std::wstring_view name, std::wstring_view data);
std::wstring StoredInstrumentData(const NetworkInstrument& instrument);

// In the order the Port list shows them: by their "HOST:PORT", ignoring case; one per address.
void SortInstruments(std::vector<NetworkInstrument>& instruments);

// An edit of the Network Instruments dialog's list, which stays sorted with one entry per
// address: the entry to select afterwards, or why the edit was refused.
struct InstrumentListEdit {
  std::optional<size_t> selected;
  std::wstring refusal;
};
InstrumentListEdit AddInstrument(std::vector<NetworkInstrument>& list, const NetworkInstrument& instrument);
InstrumentListEdit ChangeInstrument(std::vector<NetworkInstrument>& list, size_t index,
                                    const NetworkInstrument& instrument);

}  // namespace velmar

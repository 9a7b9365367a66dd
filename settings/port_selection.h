#pragma once
#include <functional>
#include <optional>
#include <vector>

namespace velmar {

inline constexpr int kAutoPort = 0;
inline constexpr int kHighestPort = 255;
// Network instruments follow the COM ports; the i-th has this item data plus i.
inline constexpr int kFirstNetworkEntry = 0x10000;

// The index of the network instrument an entry's item data names, if it names one.
std::optional<size_t> NetworkEntryIndex(int entry);

struct PortListPlan {
  std::vector<int> ports;  // existing ports, ascending, within 1..kHighestPort
  int selectedPort;        // kAutoPort selects the "<Auto>" entry
};

// Decides the content and selection of a rebuilt port list.
// preferredPort > 0 names the port to keep (the stored one); otherwise the current selection
// is kept if it still exists. With preferNew, a port absent from oldEntries (the item data of
// the entries listed before) is selected unless a preferred port exists; of several new ports
// the highest wins. The networkEntries network instruments are always there: a kept one stays
// selected, and a new COM port is preferred to it as to a kept port.
PortListPlan PlanPortList(const std::function<bool(int)>& portExists, int preferredPort,
                          std::optional<int> currentSelection, bool preferNew,
                          const std::vector<int>& oldEntries, size_t networkEntries = 0);

}  // namespace velmar

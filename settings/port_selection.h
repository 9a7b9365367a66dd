#pragma once
#include <functional>
#include <optional>
#include <vector>

namespace velmar {

inline constexpr int kAutoPort = 0;
inline constexpr int kHighestPort = 255;

struct PortListPlan {
  std::vector<int> ports;  // existing ports, ascending, within 1..kHighestPort
  int selectedPort;        // kAutoPort selects the "<Auto>" entry
};

// Decides the content and selection of a rebuilt port list.
// preferredPort > 0 names the port to keep (the stored one); otherwise the current selection
// is kept if it still exists. With preferNew, a port absent from oldEntries (the item data of
// the entries listed before) is selected unless a preferred port exists; of several new ports
// the highest wins.
PortListPlan PlanPortList(const std::function<bool(int)>& portExists, int preferredPort,
                          std::optional<int> currentSelection, bool preferNew,
                          const std::vector<int>& oldEntries);

}  // namespace velmar

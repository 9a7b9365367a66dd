#include "settings/port_selection.h"

#include <algorithm>

namespace velmar {

std::optional<size_t> NetworkEntryIndex(int entry) {
  if (entry < kFirstNetworkEntry) return std::nullopt;
  return static_cast<size_t>(entry - kFirstNetworkEntry);
}

PortListPlan PlanPortList(const std::function<bool(int)>& portExists, int preferredPort,
                          std::optional<int> currentSelection, bool preferNew,
                          const std::vector<int>& oldEntries, size_t networkEntries) {
  const int portToKeep =
      preferredPort > 0 ? preferredPort : currentSelection.value_or(preferredPort);

  PortListPlan plan{{}, kAutoPort};
  std::optional<int> newPort;
  bool keptPortListed = false;
  for (int n = 1; n <= kHighestPort; ++n) {
    if (!portExists(n)) {
      continue;
    }
    plan.ports.push_back(n);
    if (preferNew && std::find(oldEntries.begin(), oldEntries.end(), n) == oldEntries.end()) {
      newPort = n;
    }
    if (n == portToKeep) {
      keptPortListed = true;
    }
  }

  if (const std::optional<size_t> network = NetworkEntryIndex(portToKeep)) keptPortListed = *network < networkEntries;

  // A port to keep counts only when it is listed, which rules out "<Auto>" and ports above 255.
  if (preferredPort >= 1 && keptPortListed) {
    plan.selectedPort = portToKeep;
  } else if (newPort) {
    plan.selectedPort = *newPort;
  } else if (keptPortListed) {
    plan.selectedPort = portToKeep;
  }
  return plan;
}

}  // namespace velmar

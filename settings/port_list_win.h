#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace velmar {

// True when the DOS device name "COM<n>" is defined.
bool ComPortExists(int n);

// Refills a sorted drop-down list with "<Auto>" (item data 0) and "COM<n>" (item data n) for
// every existing port, then the network instruments' names in their order (item data
// kFirstNetworkEntry + i), and selects an entry as PlanPortList decides.
void RebuildPortList(HWND combo, int preferredPort, bool preferNew, const std::vector<std::wstring>& networkNames = {});

// Selects the entry of this port, wherever the sorted order has put it; false when it is not listed.
bool SelectPortEntry(HWND combo, int port);

// Item data of the selected entry: its port number, 0 for "<Auto>" or when nothing is selected.
int SelectedPortOf(HWND combo);

}  // namespace velmar

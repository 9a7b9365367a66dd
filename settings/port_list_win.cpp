#include "settings/port_list_win.h"

#include <optional>
#include <string>
#include <vector>

#include "settings/port_selection.h"

namespace velmar {

namespace {

int EntryCount(HWND combo) {
  const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  return count == CB_ERR ? 0 : static_cast<int>(count);
}

int EntryPort(HWND combo, int index) {
  return static_cast<int>(SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}

std::optional<int> SelectedIndex(HWND combo) {
  const LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) {
    return std::nullopt;
  }
  return static_cast<int>(index);
}

void AddEntry(HWND combo, const std::wstring& text, int port) {
  // The list sorts itself, so the entry's index is known only from CB_ADDSTRING.
  const LRESULT index =
      SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  if (index >= 0) {
    SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(port));
  }
}

}  // namespace

bool ComPortExists(int n) {
  const std::wstring name = L"COM" + std::to_wstring(n);
  wchar_t target[256];
  return QueryDosDeviceW(name.c_str(), target, 255) != 0;
}

void RebuildPortList(HWND combo, int preferredPort, bool preferNew, const std::vector<std::wstring>& networkNames) {
  std::optional<int> currentSelection;
  if (const std::optional<int> index = SelectedIndex(combo)) {
    currentSelection = EntryPort(combo, *index);
  }
  std::vector<int> oldEntries;
  const int count = EntryCount(combo);
  for (int i = 0; i < count; ++i) {
    oldEntries.push_back(EntryPort(combo, i));
  }

  const PortListPlan plan =
      PlanPortList(ComPortExists, preferredPort, currentSelection, preferNew, oldEntries, networkNames.size());

  SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  AddEntry(combo, L"<Auto>", kAutoPort);
  for (const int port : plan.ports) {
    AddEntry(combo, L"COM" + std::to_wstring(port), port);
  }
  // Inserted at the end, which a sorted list leaves where it is: after the COM ports.
  for (size_t i = 0; i < networkNames.size(); ++i) {
    const LRESULT index = SendMessageW(combo, CB_INSERTSTRING, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(networkNames[i].c_str()));
    if (index >= 0) {
      SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(index),
                   static_cast<LPARAM>(kFirstNetworkEntry + static_cast<int>(i)));
    }
  }
  SelectPortEntry(combo, plan.selectedPort);
}

bool SelectPortEntry(HWND combo, int port) {
  const int count = EntryCount(combo);
  for (int i = 0; i < count; ++i) {
    if (EntryPort(combo, i) == port) {
      SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
      return true;
    }
  }
  return false;
}

int SelectedPortOf(HWND combo) {
  const std::optional<int> index = SelectedIndex(combo);
  return index ? EntryPort(combo, *index) : kAutoPort;
}

}  // namespace velmar

#include "chart/chart_menu_win.h"

#include <commdlg.h>

#include "framework/unique_handle_win.h"

namespace velmar {

namespace {

constexpr UINT kFirstRun = 1;

void AddItem(HMENU menu, UINT id, const wchar_t* text, bool checked = false, bool enabled = true) {
  AppendMenuW(menu, MF_STRING | (checked ? MF_CHECKED : 0) | (enabled ? 0 : MF_GRAYED), id, text);
}

}  // namespace

UINT TrackChartMenu(HWND window, POINT screen, const ChartMenuState& state) {
  const UniqueMenu owned(CreatePopupMenu());
  UniqueMenu ownedLanes(CreatePopupMenu());
  if (!owned || !ownedLanes) return 0;
  const HMENU menu = owned.Get();
  const HMENU lanes = ownedLanes.Get();
  AddItem(menu, kShowAll, L"&All\tA", state.window == TimeWindow::All);
  AddItem(menu, kShowLastMinute, L"Last &1 min\t1", state.window == TimeWindow::LastMinute);
  AddItem(menu, kShowLastTenMinutes, L"Last 1&0 min\t2", state.window == TimeWindow::LastTenMinutes);
  AddItem(menu, kShowLastHour, L"Last 1 &h\t3", state.window == TimeWindow::LastHour);
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AddItem(menu, kFollowNewest, L"&Follow the newest row\tEnd", state.following);
  AddItem(menu, kShowStart, L"Go to the &start\tHome");
  AddItem(menu, kZoomIn, L"Zoom &in\t+ or wheel");
  AddItem(menu, kZoomOut, L"Zoom &out\t- or wheel");
  AddItem(menu, 0, L"Scroll: drag, or Left/Right", false, false);
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  for (const auto& [column, title] : state.lanes) {
    AddItem(lanes, kFirstLane + static_cast<UINT>(column), title.c_str(), !state.hiddenColumns.contains(column));
  }
  AppendMenuW(lanes, MF_SEPARATOR, 0, nullptr);
  AddItem(lanes, kShowAllLanes, L"Show all lanes");
  // The menu owns the submenu once it holds it.
  if (AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(lanes), L"&Lanes")) ownedLanes.Release();
  if (state.pointed) {
    AddItem(menu, kFirstKind + static_cast<UINT>(state.pointed->column),
            (L"\"" + state.pointed->title + L"\" as a s&trip").c_str(), state.pointed->strip);
    if (state.limitsOffered) {
      AddItem(menu, kFirstLimits + static_cast<UINT>(state.pointed->column),
              (L"Limits for " + state.pointed->title + L"...").c_str());
    }
  }
  AddItem(menu, kToggleStatistics, L"&Statistics\tS", state.statistics);
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AddItem(menu, kCopy, L"&Copy chart\tCtrl+C");
  AddItem(menu, kCopyFigures, L"Copy statistics as te&xt\tCtrl+Shift+C");
  AddItem(menu, kOpenLog, L"Open &log...\tCtrl+O");
  AddItem(menu, kShowLive, L"Show the li&ve run", false, state.showingLog);
  return static_cast<UINT>(
      TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y, 0, window, nullptr));
}

std::wstring AskForLogFile(HWND window) {
  wchar_t path[MAX_PATH * 4] = L"";
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = window;
  dialog.lpstrFilter = L"Log files (*.csv;*.txt;*.log)\0*.csv;*.txt;*.log\0All files (*.*)\0*.*\0";
  dialog.lpstrFile = path;
  dialog.nMaxFile = static_cast<DWORD>(std::size(path));
  dialog.lpstrTitle = L"Open log";
  dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  return GetOpenFileNameW(&dialog) ? path : L"";
}

std::optional<size_t> PickLogRun(HWND window, const std::vector<RunChoice>& runs) {
  const UniqueMenu menu(CreatePopupMenu());
  if (runs.empty() || !menu) return std::nullopt;
  for (size_t i = runs.size(); i-- > 0;) AppendMenuW(menu.Get(), MF_STRING, kFirstRun + i, RunMenuText(runs[i]).c_str());
  SetMenuDefaultItem(menu.Get(), kFirstRun + static_cast<UINT>(runs.size() - 1), FALSE);
  POINT at{};
  GetCursorPos(&at);
  const UINT command = static_cast<UINT>(TrackPopupMenu(menu.Get(), TPM_RETURNCMD, at.x, at.y, 0, window, nullptr));
  if (command == 0) return std::nullopt;
  return command - kFirstRun;
}

}  // namespace velmar

#include "chart/run_list_win.h"

#include <commctrl.h>

#include "framework/dialog_win.h"
#include "res/resource.h"

namespace velmar {
namespace {

class RunListDialog final : public Dialog {
 public:
  RunListDialog(HWND owner, const std::vector<RunChoice>& runs) : Dialog(IDD_RUN_LIST, owner), runs_(runs) {}

  std::optional<size_t> chosen;

 protected:
  BOOL OnInitDialog() override {
    Dialog::OnInitDialog();
    const HWND list = Item(IDC_RUN_LIST);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    const struct {
      const wchar_t* title;
      int width;
    } columns[] = {{L"Run", 60}, {L"Started", 190}, {L"Rows", 130}, {L"Span", 70}};
    for (int i = 0; i < 4; ++i) {
      LVCOLUMNW column{};
      column.mask = LVCF_TEXT | LVCF_WIDTH;
      column.pszText = const_cast<wchar_t*>(columns[i].title);
      column.cx = columns[i].width;
      ListView_InsertColumn(list, i, &column);
    }
    // Newest first, as the menu offers them.
    for (size_t i = runs_.size(); i-- > 0;) {
      const RunChoice& run = runs_[i];
      LVITEMW item{};
      item.mask = LVIF_TEXT | LVIF_PARAM;
      item.iItem = static_cast<int>(runs_.size() - 1 - i);
      item.pszText = const_cast<wchar_t*>(run.number.c_str());
      item.lParam = static_cast<LPARAM>(i);
      const int row = ListView_InsertItem(list, &item);
      ListView_SetItemText(list, row, 1, const_cast<wchar_t*>(run.stamp.c_str()));
      ListView_SetItemText(list, row, 2, const_cast<wchar_t*>(run.rows.c_str()));
      ListView_SetItemText(list, row, 3, const_cast<wchar_t*>(run.span.c_str()));
    }
    ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    SetFocus(list);
    return FALSE;
  }

  MessageResult OnMessage(UINT message, WPARAM, LPARAM lParam) override {
    // A double click picks the run.
    if (message != WM_NOTIFY) return std::nullopt;
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->idFrom != IDC_RUN_LIST || header->code != NM_DBLCLK) return std::nullopt;
    OnOK();
    return TRUE;
  }

  void OnOK() override {
    const HWND list = Item(IDC_RUN_LIST);
    const int selected = ListView_GetNextItem(list, -1, LVNI_SELECTED);
    if (selected < 0) return;
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = selected;
    ListView_GetItem(list, &item);
    chosen = static_cast<size_t>(item.lParam);
    EndDialog(IDOK);
  }

 private:
  const std::vector<RunChoice>& runs_;
};

}  // namespace

std::optional<size_t> PickRunFromList(HWND owner, const std::vector<RunChoice>& runs) {
  RunListDialog dialog(owner, runs);
  dialog.DoModal();
  return dialog.chosen;
}

}  // namespace velmar

#include "alarm/notification_area_win.h"

#include <algorithm>
#include <string_view>

namespace velmar {
namespace {

constexpr UINT kIconId = 1;

// Copies as much as fits, always terminated: the shell's fields have fixed sizes.
template <size_t N>
void CopyTruncated(wchar_t (&target)[N], std::wstring_view text) {
  const size_t length = std::min(text.size(), N - 1);
  std::copy_n(text.data(), length, target);
  target[length] = L'\0';
}

HICON StockSmallIcon(LPCWSTR id) {
  return static_cast<HICON>(LoadImageW(nullptr, id, IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                       GetSystemMetrics(SM_CYSMICON), LR_SHARED));
}

}  // namespace

NotificationArea::NotificationArea(HWND window, UINT callbackMessage, HICON runningIcon)
    : window_(window), callbackMessage_(callbackMessage), runningIcon_(runningIcon) {}

NotificationArea::~NotificationArea() { RemoveIcon(); }

void NotificationArea::Apply(const NoticeSteps& steps) {
  if (steps.iconLost) added_ = false;
  if (steps.icon) {
    if (steps.icon->state == TrayState::None) {
      RemoveIcon();
    } else {
      ShowIcon(*steps.icon);
    }
  }
  if (steps.balloon) ShowBalloon(*steps.balloon);
  if (steps.flash != Flash::Keep) SetFlashing(steps.flash == Flash::Start);
  if (steps.sound) MessageBeep(MB_ICONWARNING);
}

UINT NotificationArea::TaskbarCreatedMessage() {
  static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
  return message;
}

void NotificationArea::ShowIcon(const TrayIcon& icon) {
  NOTIFYICONDATAW data = IconData(NIF_MESSAGE | NIF_ICON | NIF_TIP);
  data.uCallbackMessage = callbackMessage_;
  switch (icon.state) {
    case TrayState::Waiting:
      data.hIcon = StockSmallIcon(IDI_INFORMATION);
      break;
    case TrayState::Alarm:
      data.hIcon = StockSmallIcon(IDI_WARNING);
      break;
    case TrayState::Running:
    case TrayState::None:
      data.hIcon = runningIcon_;
      break;
  }
  CopyTruncated(data.szTip, icon.tip);
  // An icon the shell lost without telling is added again.
  if (added_ && Shell_NotifyIconW(NIM_MODIFY, &data)) return;
  added_ = Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
}

void NotificationArea::RemoveIcon() {
  if (!added_) return;
  NOTIFYICONDATAW data = IconData(0);
  Shell_NotifyIconW(NIM_DELETE, &data);
  added_ = false;
}

void NotificationArea::ShowBalloon(const Balloon& balloon) {
  if (!added_) return;
  NOTIFYICONDATAW data = IconData(NIF_INFO);
  CopyTruncated(data.szInfoTitle, balloon.title);
  CopyTruncated(data.szInfo, balloon.text);
  data.dwInfoFlags = NIIF_WARNING;
  Shell_NotifyIconW(NIM_MODIFY, &data);
}

void NotificationArea::SetFlashing(bool on) {
  FLASHWINFO flash{};
  flash.cbSize = sizeof flash;
  flash.hwnd = window_;
  // Until stopped, or until the window comes to the foreground, whichever is first.
  flash.dwFlags = on ? FLASHW_ALL | FLASHW_TIMERNOFG : FLASHW_STOP;
  FlashWindowEx(&flash);
}

NOTIFYICONDATAW NotificationArea::IconData(UINT flags) const {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = window_;
  data.uID = kIconId;
  data.uFlags = flags;
  return data;
}

}  // namespace velmar

#pragma once
#include <windows.h>
#include <shellapi.h>

#include "alarm/notifications.h"

namespace velmar {

// Carries out the notice steps for one window: its notification-area icon and balloons, the
// flashing of its taskbar button, the alarm sound. A shell without a notification area (Wine
// without a desktop) refuses the icon; that is no error, the icon is tried again at its next
// change and when the shell says it has started.
class NotificationArea {
 public:
  // Clicks on the icon reach `window` as callbackMessage, with the mouse message in lParam.
  // runningIcon: the application's own, which the caller loads and keeps.
  NotificationArea(HWND window, UINT callbackMessage, HICON runningIcon);
  // Removes the icon: destroy this before the window, or the icon lingers until the mouse
  // passes over it.
  ~NotificationArea();
  NotificationArea(const NotificationArea&) = delete;
  NotificationArea& operator=(const NotificationArea&) = delete;

  void Apply(const NoticeSteps& steps);
  bool IconShown() const { return added_; }

  // The message the shell broadcasts to every top-level window when it starts again.
  static UINT TaskbarCreatedMessage();

 private:
  void ShowIcon(const TrayIcon& icon);
  void RemoveIcon();
  void ShowBalloon(const Balloon& balloon);
  void SetFlashing(bool on);
  NOTIFYICONDATAW IconData(UINT flags) const;

  HWND window_;
  UINT callbackMessage_;
  HICON runningIcon_;
  bool added_ = false;
};

}  // namespace velmar

#include "framework/window_win.h"

#include <windowsx.h>

namespace velmar {

namespace {

MessageResult Handled(bool handled) { return handled ? MessageResult(0) : std::nullopt; }

// A dialog procedure gives these results as its own return value, all others in DWLP_MSGRESULT.
bool ReturnsResultItself(UINT message) {
  switch (message) {
    case WM_CHARTOITEM:
    case WM_COMPAREITEM:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_INITDIALOG:
    case WM_QUERYDRAGICON:
    case WM_VKEYTOITEM:
      return true;
    default:
      return false;
  }
}

}  // namespace

bool Window::CreateOfClass(const wchar_t* className, UINT classStyle, DWORD style, const wchar_t* caption,
                           const RECT& rect, HWND owner) {
  const HINSTANCE module = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  if (!GetClassInfoExW(module, className, &windowClass)) {
    windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = classStyle;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = module;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = className;
    RegisterClassExW(&windowClass);
  }
  return CreateWindowExW(0, className, caption, style, rect.left, rect.top, rect.right - rect.left,
                         rect.bottom - rect.top, owner, nullptr, module, this) != nullptr;
}

LRESULT CALLBACK Window::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  if (message == WM_NCCREATE) {
    auto* created = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    created->hwnd_ = window;
  }
  auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    return DefWindowProcW(window, message, wParam, lParam);
  }
  try {
    if (const MessageResult result = self->Dispatch(message, wParam, lParam)) return *result;
  } catch (...) {
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

INT_PTR CALLBACK Window::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    reinterpret_cast<Window*>(lParam)->hwnd_ = window;
  }
  auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(window, DWLP_USER));
  if (!self) return FALSE;
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, DWLP_USER, 0);
    self->hwnd_ = nullptr;
    return FALSE;
  }
  try {
    const MessageResult result = self->Dispatch(message, wParam, lParam);
    if (!result) return FALSE;
    if (ReturnsResultItself(message)) return static_cast<INT_PTR>(*result);
    SetWindowLongPtrW(window, DWLP_MSGRESULT, *result);
    return TRUE;
  } catch (...) {
    return FALSE;
  }
}

MessageResult Window::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (message) {
    case WM_CREATE:
      return Handled(OnCreate());
    case WM_TIMER:
      return Handled(OnTimer(wParam));
    case WM_SYSCOMMAND:
      return Handled(OnSysCommand(wParam));
    case WM_PAINT:
      return Handled(OnPaint());
    case WM_SIZE:
      return Handled(OnSize(LOWORD(lParam), HIWORD(lParam)));
    case WM_COMMAND:
      return Handled(OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)));
    case WM_KEYDOWN:
      return Handled(OnKeyDown(wParam));
    case WM_MOUSEMOVE:
      return Handled(OnMouseMove(at));
    case WM_MOUSELEAVE:
      return Handled(OnMouseLeave());
    case WM_LBUTTONDOWN:
      return Handled(OnLeftButtonDown(at));
    case WM_LBUTTONUP:
      return Handled(OnLeftButtonUp(at));
    case WM_MOUSEWHEEL: {
      POINT client = at;
      ScreenToClient(hwnd_, &client);
      return Handled(OnMouseWheel(client, GET_WHEEL_DELTA_WPARAM(wParam)));
    }
    case WM_CONTEXTMENU:
      return Handled(OnContextMenu(lParam == -1 ? std::nullopt : std::optional<POINT>(at)));
    case WM_DPICHANGED:
      return Handled(OnDpiChanged(*reinterpret_cast<const RECT*>(lParam)));
    case WM_CLOSE:
      return Handled(OnClose());
    case WM_DESTROY:
      return Handled(OnDestroy());
    default:
      return OnMessage(message, wParam, lParam);
  }
}

}  // namespace velmar

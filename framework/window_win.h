#pragma once
#include <windows.h>

#include <optional>

namespace velmar {

// What a handler made of a message: handled, with the result to give back, or left to the
// default processing.
using MessageResult = std::optional<LRESULT>;

// The base of the program's windows and dialogs. One noexcept procedure for each (a window's,
// a dialog's) finds the object and hands each message to a typed handler; no exception reaches
// Windows. Each handler returns true when it handled its message (the result is then 0); the
// rest go to OnMessage.
class Window {
 public:
  Window() = default;
  virtual ~Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND Hwnd() const { return hwnd_; }

 protected:
  // Registers the class on first use, with `classStyle`, and creates a window of it, handled by
  // this object.
  bool CreateOfClass(const wchar_t* className, UINT classStyle, DWORD style, const wchar_t* caption, const RECT& rect,
                     HWND owner);
  // For dialogs: the procedure to create them with, given this object as their parameter.
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

  // The typed handlers, then OnMessage.
  virtual MessageResult Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

  virtual bool OnCreate() { return false; }
  virtual bool OnTimer(UINT_PTR) { return false; }
  virtual bool OnSysCommand(WPARAM) { return false; }
  virtual bool OnPaint() { return false; }
  virtual bool OnSize(int, int) { return false; }
  virtual bool OnCommand(UINT, UINT, HWND) { return false; }
  virtual bool OnKeyDown(WPARAM) { return false; }
  virtual bool OnMouseMove(POINT) { return false; }
  virtual bool OnMouseLeave() { return false; }
  virtual bool OnLeftButtonDown(POINT) { return false; }
  virtual bool OnLeftButtonUp(POINT) { return false; }
  // `at` in client coordinates; `delta` in WHEEL_DELTA units.
  virtual bool OnMouseWheel(POINT, int) { return false; }
  // `screen` is none when the menu was asked for from the keyboard.
  virtual bool OnContextMenu(std::optional<POINT>) { return false; }
  virtual bool OnDpiChanged(const RECT&) { return false; }
  virtual bool OnClose() { return false; }
  virtual bool OnDestroy() { return false; }
  virtual MessageResult OnMessage(UINT, WPARAM, LPARAM) { return std::nullopt; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

  HWND hwnd_ = nullptr;
};

}  // namespace velmar

#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "chart/chart_layout.h"
#include "chart/chart_window_win.h"
#include "framework/dpi_win.h"
#include "framework/gdi_objects_win.h"

namespace velmar::test {

constexpr wchar_t kRoot[] = L"Local AppWizard-Generated Applications";
constexpr int64_t kIntervalMs = 100;

// Each test has its own application key and owner window, removed afterwards.
class ChartWindowTest : public testing::Test {
 protected:
  ChartWindowTest()
      : applicationName_(L"VelmarChartTest-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                         std::to_wstring(++testCount_)),
        owner_(CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPED, 0, 0, 200, 100, nullptr, nullptr, nullptr,
                               nullptr)),
        chart_(std::make_unique<ChartWindow>(owner_, Profile(kRoot, applicationName_))) {}

  ~ChartWindowTest() override {
    chart_.reset();
    DestroyWindow(owner_);
    RegDeleteTreeW(HKEY_CURRENT_USER, (std::wstring(L"Software\\") + kRoot + L"\\" + applicationName_).c_str());
  }

  void StartRun(int rows, const std::function<std::string(int)>& reply) {
    chart_->OnRunStarted({L"cmd", L"Level,Offset", {2026, 12, 7, 9, 30, 15, 0}});
    for (int row = 0; row < rows; ++row) {
      chart_->OnRow({row + 1, row * kIntervalMs, AddMilliseconds({2026, 12, 7, 9, 30, 15, 0}, row * kIntervalMs),
                     reply(row)});
    }
  }

  // Runs the window's messages until the log being read is shown, or not.
  bool LoadEnds() {
    const ULONGLONG deadline = GetTickCount64() + 10'000;
    while (chart_->Loading() && GetTickCount64() < deadline) {
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
      Sleep(5);
    }
    // The end's notice may still be on its way.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    return !chart_->Loading();
  }

  // What `paint` draws into a width x height picture, one 0x00RRGGBB value per pixel, top row first.
  void Draw(int width, int height, const std::function<void(HDC)>& paint) {
    width_ = width;
    height_ = height;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    ASSERT_TRUE(bitmap && dc);
    {
      SelectedObject selected(dc.Get(), bitmap.Get());
      paint(dc.Get());
      GdiFlush();
    }
    const auto* pixels = static_cast<const uint32_t*>(bits);
    pixels_.assign(pixels, pixels + static_cast<size_t>(width_) * height_);
  }

  // A window's client area as WM_PRINTCLIENT draws it.
  void Capture(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    Draw(client.right, client.bottom, [&](HDC dc) {
      SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    });
  }

  // A window's client area as it is on the screen.
  void CaptureScreen(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    Draw(client.right, client.bottom, [&](HDC dc) {
      const WindowDc screen(window);
      BitBlt(dc, 0, 0, client.right, client.bottom, screen.Get(), 0, 0, SRCCOPY);
    });
  }

  uint32_t Pixel(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x] & 0xFFFFFF; }

  // Where the chart puts `lanes` analog lanes in the picture taken last.
  ChartLayout Layout(size_t lanes, int dpi = 0) const {
    return ComputeChartLayout(width_, height_, dpi ? dpi : WindowDpi(chart_->Hwnd()), std::vector<bool>(lanes, false),
                              false);
  }

  // Runs the thread's messages until `done` holds, for at most five seconds.
  static bool RunMessagesUntil(const std::function<bool()>& done) {
    const ULONGLONG deadline = GetTickCount64() + 5'000;
    while (!done() && GetTickCount64() < deadline) {
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
      if (!done()) MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return done();
  }

  // A key pressed and released as the keyboard would, with the modifiers held; it reaches the
  // focused window through the thread's input.
  static void Press(WORD key, std::initializer_list<WORD> modifiers = {}) {
    std::vector<INPUT> inputs;
    const auto add = [&](WORD code, bool up) {
      INPUT input{};
      input.type = INPUT_KEYBOARD;
      input.ki.wVk = code;
      input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
      inputs.push_back(input);
    };
    for (const WORD modifier : modifiers) add(modifier, false);
    add(key, false);
    add(key, true);
    for (const WORD modifier : modifiers) add(modifier, true);
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  }

  // Rows of `column` in the plot holding the lane's colour.
  std::vector<int> LineRows(const PixelRect& plot, int x, uint32_t color) const {
    std::vector<int> rows;
    for (int y = plot.top; y < plot.bottom; ++y) {
      if (Pixel(x, y) == color) rows.push_back(y);
    }
    return rows;
  }

  static inline int testCount_ = 0;
  std::wstring applicationName_;
  HWND owner_;
  std::unique_ptr<ChartWindow> chart_;
  int width_ = 0;
  int height_ = 0;
  std::vector<uint32_t> pixels_;
};

}  // namespace velmar::test

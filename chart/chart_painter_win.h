#pragma once
#include <windows.h>

#include <cstdint>
#include <map>

#include "chart/chart_scene.h"
#include "chart/gdi_objects_win.h"

namespace velmar {

// The window's DPI: GetDpiForWindow where Windows has it, else the screen's LOGPIXELSY.
int WindowDpi(HWND window);

// Draws a scene with plain GDI, exactly as it says; it computes nothing itself.
class ChartPainter {
 public:
  void Paint(HDC dc, const ChartScene& scene, int width, int height);

 private:
  HFONT Font(int height, bool bold);
  HPEN Pen(uint32_t color, int width, int style = PS_SOLID);

  int fontHeight_ = 0;
  UniqueFont normalFont_;
  UniqueFont boldFont_;
  std::map<uint64_t, UniquePen> pens_;
};

}  // namespace velmar

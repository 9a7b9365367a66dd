#pragma once
#include <windows.h>

#include <cstdint>
#include <map>

#include "chart/chart_scene.h"
#include "framework/gdi_objects_win.h"

namespace velmar {

// Draws scenes with plain GDI, exactly as they say; it computes nothing itself. GDI calls are
// round trips under Wine: lines go in one call per colour, fills with one brush per colour.
class ChartPainter {
 public:
  void Background(HDC dc, int width, int height);
  void Layer(HDC dc, const SceneLayer& layer, const ChartLayout& layout);
  // The time grid, the series' lines and the cursor.
  void Lines(HDC dc, const ChartScene& scene);
  // The whole picture at once, for a copy or a print.
  void Paint(HDC dc, const ChartScene& scene, int width, int height);

 private:
  HFONT Font(int height, bool bold);
  HPEN Pen(uint32_t color, int width, int style = PS_SOLID);
  HBRUSH Brush(uint32_t color);
  void LinesByPen(HDC dc, const std::vector<SceneLine>& lines);

  int fontHeight_ = 0;
  UniqueFont normalFont_;
  UniqueFont boldFont_;
  std::map<uint64_t, UniquePen> pens_;
  std::map<uint32_t, UniqueBrush> brushes_;
};

}  // namespace velmar

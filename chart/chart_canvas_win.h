#pragma once
#include <windows.h>

#include <optional>

#include "chart/chart_painter_win.h"
#include "chart/chart_scene.h"
#include "framework/gdi_objects_win.h"

namespace velmar {

// The chart's picture kept off screen in layers, so a repaint draws only what changed: the
// frame when it differs from the one drawn, the strips and the row texts over a copy of it
// when they differ, and every time the lines and the readout over a copy of that. Where only
// the lines changed, only the plots are copied in between.
class ChartCanvas {
 public:
  // `refreshRowTexts` false keeps the row texts drawn before, whatever the scene's say.
  void Render(HDC target, const ChartScene& scene, int width, int height, bool refreshRowTexts);
  // Draws all of the scene, layers and all, into `dc`.
  void Paint(HDC dc, const ChartScene& scene, int width, int height) { painter_.Paint(dc, scene, width, height); }

 private:
  ChartPainter painter_;
  int width_ = 0;
  int height_ = 0;
  std::optional<OffscreenBitmap> frame_;
  std::optional<OffscreenBitmap> composed_;
  std::optional<OffscreenBitmap> back_;
  std::optional<SceneLayer> drawnFrame_;
  std::optional<SceneLayer> drawnStrips_;
  std::optional<SceneLayer> drawnRowTexts_;
  bool readoutDrawn_ = false;
};

}  // namespace velmar

#pragma once
#include <windows.h>

#include <optional>
#include <vector>

#include "chart/chart_painter_win.h"
#include "chart/chart_scene.h"
#include "chart/repaint_plan.h"
#include "framework/gdi_objects_win.h"

namespace velmar {

// The chart's picture kept off screen in three layers, so that a repaint draws and copies only
// what changed: the frame, in the rows where it changed; over a copy of it, the row texts in
// their areas when they are refreshed; and over a copy of that, in the plots, the strips, the
// time grid and the lines where they changed (for a new row, most often only from its own place
// to the right edge), and the readout.
class ChartCanvas {
 public:
  // Brings the picture up to `scene`; `refreshRowTexts` false keeps the row texts drawn before,
  // whatever the scene's say, while the layout they were drawn in stays. Returns the parts of
  // the picture that changed; none when the picture cannot be kept (short of GDI memory), and
  // the scene must be painted directly.
  std::optional<std::vector<PixelRect>> Render(HDC reference, const ChartScene& scene, int width, int height,
                                               bool refreshRowTexts);
  // Copies a part of the picture to the same place in `target`.
  void Show(HDC target, const PixelRect& part) const;
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
  std::optional<SceneLayer> drawnRowTexts_;
  std::optional<ChartLayout> drawnLayout_;
  std::optional<DrawnOverlay> drawnOverlay_;
  bool readoutDrawn_ = false;
};

}  // namespace velmar

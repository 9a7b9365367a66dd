#pragma once
#include <windows.h>

#include <optional>
#include <vector>

#include "chart/chart_painter_win.h"
#include "chart/chart_scene.h"
#include "framework/gdi_objects_win.h"

namespace velmar {

// The chart's picture kept off screen in layers, so that a repaint draws and copies only what
// changed: the frame when it differs from the one drawn; the row texts over a copy of it where
// they differ; and over a copy of that, in the plots, the strips, the time grid, the lines and
// the readout. A new row that moves nothing already drawn changes the plots only from its own
// place to their right edge, and only that part is drawn again.
class ChartCanvas {
 public:
  // Brings the picture up to `scene`; `refreshRowTexts` false keeps the row texts drawn before,
  // whatever the scene's say. Returns the parts of the picture that changed; none when the
  // picture cannot be kept (short of GDI memory), and the scene must be painted directly.
  std::optional<std::vector<PixelRect>> Render(HDC reference, const ChartScene& scene, int width, int height,
                                               bool refreshRowTexts);
  // Copies a part of the picture to the same place in `target`.
  void Show(HDC target, const PixelRect& part) const;
  // Draws all of the scene, layers and all, into `dc`.
  void Paint(HDC dc, const ChartScene& scene, int width, int height) { painter_.Paint(dc, scene, width, height); }

 private:
  // What is drawn over the layers in the plots.
  struct Overlay {
    TimeRange visible;
    std::vector<ValueTransform> values;
    SceneLayer strips;
    std::vector<SceneLine> timeGrid;
    std::vector<ScenePolyline> polylines;
  };
  static Overlay OverlayOf(const ChartScene& scene);
  // Where the overlay, drawn over the whole plots, may change them.
  static std::vector<PixelRect> OverlayAreas(const ChartLayout& layout);
  // Where `now` starts to differ from `drawn`, when everything left of that is the same.
  static std::optional<int> TailStart(const Overlay& drawn, const Overlay& now);
  void DrawOverlay(const ChartScene& scene);

  ChartPainter painter_;
  int width_ = 0;
  int height_ = 0;
  std::optional<OffscreenBitmap> frame_;
  std::optional<OffscreenBitmap> composed_;
  std::optional<OffscreenBitmap> back_;
  std::optional<SceneLayer> drawnFrame_;
  std::optional<SceneLayer> drawnRowTexts_;
  std::optional<Overlay> drawnOverlay_;
  bool readoutDrawn_ = false;
};

}  // namespace velmar

#include "chart/chart_canvas_win.h"

#include <algorithm>

namespace velmar {

void ChartCanvas::Render(HDC target, const ChartScene& scene, int width, int height, bool refreshRowTexts) {
  width = std::max(1, width);
  height = std::max(1, height);
  if (width != width_ || height != height_ || !frame_) {
    frame_.emplace(target, width, height);
    composed_.emplace(target, width, height);
    back_.emplace(target, width, height);
    width_ = width;
    height_ = height;
    drawnFrame_.reset();
    drawnStrips_.reset();
    drawnRowTexts_.reset();
  }
  if (!frame_->Ready() || !composed_->Ready() || !back_->Ready()) {
    // Short of GDI memory: draw straight onto the window.
    painter_.Paint(target, scene, width, height);
    return;
  }
  bool recompose = false;
  if (drawnFrame_ != scene.frame) {
    painter_.Background(frame_->Dc(), width, height);
    painter_.Layer(frame_->Dc(), scene.frame, scene.layout);
    drawnFrame_ = scene.frame;
    recompose = true;
  }
  if (drawnStrips_ != scene.strips) {
    drawnStrips_ = scene.strips;
    recompose = true;
  }
  if ((refreshRowTexts || !drawnRowTexts_) && drawnRowTexts_ != scene.rowTexts) {
    drawnRowTexts_ = scene.rowTexts;
    recompose = true;
  }
  if (recompose) {
    ::BitBlt(composed_->Dc(), 0, 0, width, height, frame_->Dc(), 0, 0, SRCCOPY);
    painter_.Layer(composed_->Dc(), *drawnStrips_, scene.layout);
    painter_.Layer(composed_->Dc(), *drawnRowTexts_, scene.layout);
  }
  // The back buffer keeps the whole picture: where neither the layers below nor a readout
  // changed, only the plots need the layers copied back before the lines go over them.
  const bool readout = scene.cursor.has_value() || !scene.readout.fills.empty() || !scene.readout.texts.empty();
  PixelRect fresh{0, 0, width, height};
  if (!recompose && !readout && !readoutDrawn_ && !scene.layout.lanes.empty()) {
    // Wide pens reach past the plots' edges, and the time ticks hang below the last one.
    const ChartLayout& layout = scene.layout;
    const int reach = layout.lineWidth + 1;
    fresh = {layout.PlotLeft() - reach, layout.lanes.front().plot.top - reach, layout.PlotRight() + reach,
             layout.lanes.back().plot.bottom + std::max(reach, layout.tickLength + 1)};
  }
  readoutDrawn_ = readout;
  ::BitBlt(back_->Dc(), fresh.left, fresh.top, fresh.Width(), fresh.Height(), composed_->Dc(), fresh.left, fresh.top,
           SRCCOPY);
  painter_.Lines(back_->Dc(), scene);
  painter_.Layer(back_->Dc(), scene.readout, scene.layout);
  ::BitBlt(target, 0, 0, width, height, back_->Dc(), 0, 0, SRCCOPY);
}

}  // namespace velmar

#include "chart/chart_canvas_win.h"

#include <algorithm>

namespace velmar {

namespace {

// A band of rows taller than this part of the picture is drawn as all of it.
constexpr int kWholeBandDivisor = 2;

void Copy(HDC target, HDC source, const std::vector<PixelRect>& parts) {
  for (const PixelRect& part : parts) {
    ::BitBlt(target, part.left, part.top, part.Width(), part.Height(), source, part.left, part.top, SRCCOPY);
  }
}

// Drawing in a DC confined to some parts of it, for the scope.
class ClippedTo {
 public:
  ClippedTo(HDC dc, const std::vector<PixelRect>& parts) : saved_(dc) {
    UniqueRegion region(::CreateRectRgn(0, 0, 0, 0));
    for (const PixelRect& part : parts) {
      const UniqueRegion piece(::CreateRectRgn(part.left, part.top, part.right, part.bottom));
      ::CombineRgn(region.Get(), region.Get(), piece.Get(), RGN_OR);
    }
    ::ExtSelectClipRgn(dc, region.Get(), RGN_AND);
  }

 private:
  SavedDc saved_;
};

}  // namespace

std::optional<std::vector<PixelRect>> ChartCanvas::Render(HDC reference, const ChartScene& scene, int width,
                                                          int height, bool refreshRowTexts) {
  width = std::max(1, width);
  height = std::max(1, height);
  if (width != width_ || height != height_ || !frame_) {
    frame_.emplace(reference, width, height);
    composed_.emplace(reference, width, height);
    back_.emplace(reference, width, height);
    width_ = width;
    height_ = height;
    drawnFrame_.reset();
    drawnRowTexts_.reset();
    drawnLayout_.reset();
    drawnOverlay_.reset();
  }
  if (!frame_->Ready() || !composed_->Ready() || !back_->Ready()) return std::nullopt;

  const PixelRect all{0, 0, width, height};
  const bool readout = scene.cursor.has_value() || !scene.readout.fills.empty() || !scene.readout.texts.empty();
  DrawnOverlay overlay = OverlayOf(scene);
  // What each layer needs drawn again, from the bottom up; each layer above takes in the parts
  // of the ones below.
  const bool first = !drawnFrame_ || !drawnRowTexts_ || !drawnLayout_ || !drawnOverlay_;
  // Texts kept from before stand where the layout put them: in a new one they go, all of them.
  const bool relaid = first || !(*drawnLayout_ == scene.layout);
  std::vector<PixelRect> frameParts;
  if (first) {
    frameParts.push_back(all);
  } else if (const PixelRect band = FrameChange(*drawnFrame_, scene.frame, scene.layout, width); !band.Empty()) {
    frameParts.push_back(band.Height() > height / kWholeBandDivisor ? all : band);
  }
  std::vector<PixelRect> textParts;
  if (relaid || (refreshRowTexts && *drawnRowTexts_ != scene.rowTexts)) {
    drawnRowTexts_ = scene.rowTexts;
    drawnLayout_ = scene.layout;
    textParts = relaid ? std::vector<PixelRect>{all} : scene.rowTextAreas;
  }
  textParts.insert(textParts.end(), frameParts.begin(), frameParts.end());
  std::vector<PixelRect> overlayParts;
  if (first || readout || readoutDrawn_ || scene.layout.lanes.empty()) {
    overlayParts.push_back(all);
  } else {
    overlayParts = OverlayChanges(*drawnOverlay_, overlay, scene.layout);
  }
  overlayParts.insert(overlayParts.end(), textParts.begin(), textParts.end());

  if (!frameParts.empty()) {
    const ClippedTo clip(frame_->Dc(), frameParts);
    painter_.Background(frame_->Dc(), width, height);
    painter_.Layer(frame_->Dc(), scene.frame, scene.layout);
    drawnFrame_ = scene.frame;
  }
  if (!textParts.empty()) {
    Copy(composed_->Dc(), frame_->Dc(), textParts);
    const ClippedTo clip(composed_->Dc(), textParts);
    painter_.Layer(composed_->Dc(), *drawnRowTexts_, scene.layout);
  }
  if (!overlayParts.empty()) {
    Copy(back_->Dc(), composed_->Dc(), overlayParts);
    const ClippedTo clip(back_->Dc(), overlayParts);
    painter_.Layer(back_->Dc(), scene.strips, scene.layout);
    painter_.Lines(back_->Dc(), scene);
    painter_.Layer(back_->Dc(), scene.readout, scene.layout);
  }
  readoutDrawn_ = readout;
  drawnOverlay_ = std::move(overlay);
  return overlayParts;
}

void ChartCanvas::Show(HDC target, const PixelRect& part) const {
  if (back_ && back_->Ready()) Copy(target, back_->Dc(), {part});
}

}  // namespace velmar

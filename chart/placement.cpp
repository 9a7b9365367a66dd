#include "chart/placement.h"

#include <algorithm>
#include <vector>

namespace velmar {

namespace {

PixelRect Intersection(const PixelRect& a, const PixelRect& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}

long long Area(const PixelRect& rect) {
  return rect.Empty() ? 0 : static_cast<long long>(rect.Width()) * rect.Height();
}

// `low` wins where the range is too small for the length.
int Clamp(int value, int low, int high) { return std::max(low, std::min(value, high)); }

enum class Side { Right, Left, Below, Above };

// The preferred size clipped to the free space on one side, next to the owner.
PixelRect OnSide(Side side, const PixelRect& owner, const PixelRect& free, PixelSize preferred) {
  const int width = std::min(preferred.width, free.Width());
  const int height = std::min(preferred.height, free.Height());
  const int top = Clamp(owner.top, free.top, free.bottom - height);
  const int left = Clamp(owner.left, free.left, free.right - width);
  switch (side) {
    case Side::Right:
      return {free.left, top, free.left + width, top + height};
    case Side::Left:
      return {free.right - width, top, free.right, top + height};
    case Side::Below:
      return {left, free.top, left + width, free.top + height};
    case Side::Above:
      break;
  }
  return {left, free.bottom - height, left + width, free.bottom};
}

}  // namespace

PixelRect PlaceBeside(const PixelRect& owner, int captionHeight, const PixelRect& work, PixelSize preferred,
                      PixelSize minimum) {
  const std::pair<Side, PixelRect> sides[] = {
      {Side::Right, {owner.right, work.top, work.right, work.bottom}},
      {Side::Left, {work.left, work.top, owner.left, work.bottom}},
      {Side::Below, {work.left, owner.bottom, work.right, work.bottom}},
      {Side::Above, {work.left, work.top, work.right, owner.top}},
  };
  for (const auto& [side, space] : sides) {
    const PixelRect free = Intersection(space, work);
    if (free.Width() >= minimum.width && free.Height() >= minimum.height) return OnSide(side, owner, free, preferred);
  }

  // Against the work area's edges or the owner's, or just under the caption bar, shortened.
  const int width = std::max(1, std::min(preferred.width, work.Width()));
  const int height = std::max(1, std::min(preferred.height, work.Height()));
  const PixelRect caption{owner.left, owner.top, owner.right, owner.top + captionHeight};
  const int xs[] = {work.right - width, work.left, Clamp(owner.right, work.left, work.right - width),
                    Clamp(owner.left - width, work.left, work.right - width)};
  const int underCaption = Clamp(caption.bottom, work.top, work.bottom - 1);
  std::vector<PixelRect> candidates;
  for (const int x : xs) {
    for (const int y : {work.bottom - height, work.top, Clamp(owner.bottom, work.top, work.bottom - height),
                        Clamp(owner.top - height, work.top, work.bottom - height)}) {
      candidates.push_back({x, y, x + width, y + height});
    }
    candidates.push_back({x, underCaption, x + width, std::min(work.bottom, underCaption + height)});
  }
  const PixelRect* best = nullptr;
  for (const PixelRect& candidate : candidates) {
    if (Area(Intersection(candidate, caption)) > 0) continue;
    if (!best || Area(Intersection(candidate, owner)) < Area(Intersection(*best, owner))) best = &candidate;
  }
  return best ? *best : candidates.back();
}

PixelRect FitWithin(const PixelRect& window, const PixelRect& workArea) {
  const int width = std::clamp(window.Width(), 1, std::max(1, workArea.Width()));
  const int height = std::clamp(window.Height(), 1, std::max(1, workArea.Height()));
  const int left = std::max(workArea.left, std::min(window.left, workArea.right - width));
  const int top = std::max(workArea.top, std::min(window.top, workArea.bottom - height));
  return {left, top, left + width, top + height};
}

PixelRect ScreenFromWorkspace(const PixelRect& normal, const PixelRect& monitor, const PixelRect& workArea) {
  const int dx = workArea.left - monitor.left;
  const int dy = workArea.top - monitor.top;
  return {normal.left + dx, normal.top + dy, normal.right + dx, normal.bottom + dy};
}

}  // namespace velmar

#include "chart/chart_painter_win.h"

#include <vector>

namespace velmar {

namespace {

constexpr uint32_t kBoxColor = 0xFFFFF0;
constexpr uint32_t kFrameColor = 0xA0A0A0;

COLORREF ToColorRef(uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

UINT TextAlignment(TextAlign align) {
  switch (align) {
    case TextAlign::Center:
      return TA_CENTER | TA_TOP | TA_NOUPDATECP;
    case TextAlign::Right:
      return TA_RIGHT | TA_TOP | TA_NOUPDATECP;
    case TextAlign::Left:
      break;
  }
  return TA_LEFT | TA_TOP | TA_NOUPDATECP;
}

}  // namespace

HFONT ChartPainter::Font(int height, bool bold) {
  if (height != fontHeight_) {
    const auto create = [height](int weight) {
      return UniqueFont(::CreateFontW(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                                      DEFAULT_PITCH | FF_SWISS, L"Segoe UI"));
    };
    normalFont_ = create(FW_NORMAL);
    boldFont_ = create(FW_BOLD);
    fontHeight_ = height;
  }
  return bold ? boldFont_.Get() : normalFont_.Get();
}

HPEN ChartPainter::Pen(uint32_t color, int width, int style) {
  const uint64_t key = uint64_t{color} | uint64_t(static_cast<uint32_t>(width)) << 24 | uint64_t(style) << 48;
  UniquePen& pen = pens_[key];
  if (!pen) pen.Reset(::CreatePen(style, width, ToColorRef(color)));
  return pen.Get();
}

HBRUSH ChartPainter::Brush(uint32_t color) {
  UniqueBrush& brush = brushes_[color];
  if (!brush) brush.Reset(::CreateSolidBrush(ToColorRef(color)));
  return brush.Get();
}

void ChartPainter::Background(HDC dc, int width, int height) {
  const RECT all{0, 0, width, height};
  ::FillRect(dc, &all, Brush(ChartScene::kBackground));
}

void ChartPainter::LinesByPen(HDC dc, const std::vector<SceneLine>& lines) {
  std::map<std::pair<uint32_t, bool>, std::vector<POINT>> byPen;
  for (const SceneLine& line : lines) {
    auto& ends = byPen[{line.color, line.dashed}];
    ends.push_back({line.from.x, line.from.y});
    ends.push_back({line.to.x, line.to.y});
  }
  ::SetBkMode(dc, TRANSPARENT);
  for (const auto& [pen, ends] : byPen) {
    SelectedObject selected(dc, Pen(pen.first, 1, pen.second ? PS_DASH : PS_SOLID));
    const std::vector<DWORD> counts(ends.size() / 2, 2);
    ::PolyPolyline(dc, ends.data(), counts.data(), static_cast<DWORD>(counts.size()));
  }
}

void ChartPainter::Layer(HDC dc, const SceneLayer& layer, const ChartLayout& layout) {
  for (const SceneFill& fill : layer.fills) {
    const RECT rect{fill.rect.left, fill.rect.top, fill.rect.right, fill.rect.bottom};
    ::FillRect(dc, &rect, Brush(fill.color));
  }
  LinesByPen(dc, layer.lines);
  if (!layer.frames.empty()) {
    SelectedObject pen(dc, Pen(kFrameColor, 1));
    SelectedObject brush(dc, ::GetStockObject(NULL_BRUSH));
    for (const PixelRect& frame : layer.frames) {
      ::Rectangle(dc, frame.left - 1, frame.top - 1, frame.right + 1, frame.bottom + 1);
    }
  }
  for (const SceneText& text : layer.texts) {
    const SelectedObject font(dc, Font(layout.fontHeight, text.style == TextStyle::Bold));
    ::SetTextColor(dc, ToColorRef(text.color));
    const bool boxed = text.style == TextStyle::Boxed;
    ::SetBkMode(dc, boxed ? OPAQUE : TRANSPARENT);
    ::SetBkColor(dc, ToColorRef(kBoxColor));
    if (text.maxWidth > 0) {
      // Cut to its room with an ellipsis.
      ::SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
      const int left = text.align == TextAlign::Left    ? text.x
                       : text.align == TextAlign::Right ? text.x - text.maxWidth
                                                        : text.x - text.maxWidth / 2;
      RECT room{left, text.y, left + text.maxWidth, text.y + 2 * layout.fontHeight};
      const UINT align = text.align == TextAlign::Left ? DT_LEFT : text.align == TextAlign::Right ? DT_RIGHT : DT_CENTER;
      ::DrawTextW(dc, text.text.c_str(), static_cast<int>(text.text.size()), &room,
                  align | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    } else {
      ::SetTextAlign(dc, TextAlignment(text.align));
      ::ExtTextOutW(dc, text.x, text.y, 0, nullptr, text.text.c_str(), static_cast<UINT>(text.text.size()), nullptr);
    }
  }
}

void ChartPainter::Lines(HDC dc, const ChartScene& scene) {
  LinesByPen(dc, scene.timeGrid);
  std::vector<POINT> points;
  for (const ScenePolyline& line : scene.polylines) {
    if (line.points.empty()) continue;
    SelectedObject pen(dc, Pen(line.color, scene.layout.lineWidth));
    points.clear();
    for (const ScenePoint& point : line.points) points.push_back({point.x, point.y});
    ::Polyline(dc, points.data(), static_cast<int>(points.size()));
    // A line leaves out its last pixel, so a row just before a gap, or one alone between two
    // gaps, would not show at all.
    ::MoveToEx(dc, points.back().x, points.back().y, nullptr);
    ::LineTo(dc, points.back().x + 1, points.back().y);
  }
  if (scene.cursor) {
    SelectedObject pen(dc, Pen(scene.cursor->color, 1, PS_DOT));
    ::SetBkMode(dc, TRANSPARENT);
    ::MoveToEx(dc, scene.cursor->from.x, scene.cursor->from.y, nullptr);
    ::LineTo(dc, scene.cursor->to.x, scene.cursor->to.y);
  }
}

void ChartPainter::Paint(HDC dc, const ChartScene& scene, int width, int height) {
  Background(dc, width, height);
  Layer(dc, scene.frame, scene.layout);
  Layer(dc, scene.strips, scene.layout);
  Layer(dc, scene.rowTexts, scene.layout);
  Lines(dc, scene);
  Layer(dc, scene.readout, scene.layout);
}

}  // namespace velmar

#include "chart/chart_painter_win.h"

#include <map>
#include <vector>

namespace velmar {

namespace {

constexpr uint32_t kBoxColor = 0xFFFFF0;

COLORREF ToColorRef(uint32_t rgb) {
  return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

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

int WindowDpi(HWND window) {
  // Looked up at run time: older Windows and Wine builds lack it.
  using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFunction>(
      reinterpret_cast<void (*)()>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (getDpiForWindow && window) {
    if (const UINT dpi = getDpiForWindow(window)) return static_cast<int>(dpi);
  }
  const HDC screen = ::GetDC(nullptr);
  const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

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

void ChartPainter::Paint(HDC dc, const ChartScene& scene, int width, int height) {
  const RECT all{0, 0, width, height};
  const HBRUSH background = ::CreateSolidBrush(ToColorRef(ChartScene::kBackground));
  ::FillRect(dc, &all, background);
  ::DeleteObject(background);

  // One call per colour: each GDI call is a round trip under Wine, and a chart has hundreds of lines.
  std::map<uint32_t, std::vector<POINT>> gridByColor;
  for (const SceneLine& line : scene.grid) {
    auto& ends = gridByColor[line.color];
    ends.push_back({line.from.x, line.from.y});
    ends.push_back({line.to.x, line.to.y});
  }
  for (const auto& [color, ends] : gridByColor) {
    SelectedObject pen(dc, Pen(color, 1));
    const std::vector<DWORD> counts(ends.size() / 2, 2);
    ::PolyPolyline(dc, ends.data(), counts.data(), static_cast<DWORD>(counts.size()));
  }
  if (!scene.frames.empty()) {
    SelectedObject pen(dc, Pen(0xA0A0A0, 1));
    SelectedObject brush(dc, ::GetStockObject(NULL_BRUSH));
    for (const PixelRect& frame : scene.frames) {
      ::Rectangle(dc, frame.left - 1, frame.top - 1, frame.right + 1, frame.bottom + 1);
    }
  }
  std::vector<POINT> points;
  for (const ScenePolyline& line : scene.polylines) {
    SelectedObject pen(dc, Pen(line.color, scene.layout.lineWidth));
    points.clear();
    for (const ScenePoint& point : line.points) points.push_back({point.x, point.y});
    if (points.empty()) continue;
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
  SelectedObject font(dc, Font(scene.layout.fontHeight, false));
  for (const SceneText& text : scene.texts) {
    ::SelectObject(dc, Font(scene.layout.fontHeight, text.style == TextStyle::Bold));
    ::SetTextAlign(dc, TextAlignment(text.align));
    ::SetTextColor(dc, ToColorRef(text.color));
    const bool boxed = text.style == TextStyle::Boxed;
    ::SetBkMode(dc, boxed ? OPAQUE : TRANSPARENT);
    ::SetBkColor(dc, ToColorRef(kBoxColor));
    ::ExtTextOutW(dc, text.x, text.y, 0, nullptr, text.text.c_str(), static_cast<UINT>(text.text.size()), nullptr);
  }
}

}  // namespace velmar

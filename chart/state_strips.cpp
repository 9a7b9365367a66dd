#include "chart/state_strips.h"

#include <bit>
#include <cmath>
#include <vector>

#include "core/reply_fields.h"

namespace velmar {

namespace {

constexpr uint32_t kZeroColor = 0xE6E6E6;
constexpr uint32_t kErrorColor = 0xD93B3B;
constexpr uint32_t kSeveralColor = 0x9A9A9A;
constexpr uint32_t kTextColor = 0x202020;
constexpr uint32_t kErrorTextColor = 0xFFFFFF;
constexpr double kTextPaddingPx = 3;

enum class Shown { Nothing, Value, Several };

struct ColumnState {
  Shown shown = Shown::Nothing;
  double value = 0;
  bool operator==(const ColumnState&) const = default;
};

// What a pixel column's rows show; gaps narrower than the column do not count.
ColumnState Showing(const M4& block) {
  if (!block.HasValue()) return {};
  if (block.min == block.max) return {Shown::Value, block.min};
  return {Shown::Several, 0};
}

// The state a column's last row leaves behind, which holds until the next row.
ColumnState LeftBehind(const M4& block) {
  if (!block.HasValue() || block.Has(M4::kTrailGap)) return {};
  return {Shown::Value, block.last};
}

struct Segment {
  int left;
  int right;
  ColumnState state;
};

}  // namespace

uint32_t StateColor(double value, bool errorLane) {
  static constexpr uint32_t kPalette[] = {0xB6D4EF, 0xC4E6BD, 0xFCD5A2, 0xD7C6EB, 0xF4C3D8, 0xC3E8E8, 0xEDE0A2};
  constexpr int64_t kColors = static_cast<int64_t>(std::size(kPalette));
  if (errorLane && value != 0) return kErrorColor;
  if (value == 0) return kZeroColor;
  int64_t index = 0;
  if (value == std::floor(value) && std::abs(value) < 1e15) {
    index = (static_cast<int64_t>(value) - 1) % kColors;
  } else {
    index = static_cast<int64_t>(std::bit_cast<uint64_t>(value) % static_cast<uint64_t>(kColors));
  }
  return kPalette[(index + kColors) % kColors];
}

void AddStrip(const ChartLayout& layout, const PixelRect& strip, const TimeTransform& time, const RunExtent& extent,
              const Decimation& decimation, size_t series, bool errorLane, SceneLayer& out) {
  if (!extent.hasRows) return;
  const double firstX = time.X(extent.firstMs);
  const double lastX = time.X(extent.lastMs);
  std::vector<Segment> segments;
  ColumnState carried = LeftBehind(decimation.At(series, -1));
  // The newest row, at the right edge itself, shows in the last pixel column.
  const bool edgeRow = decimation.width > 0 && decimation.At(series, decimation.width).HasRows() &&
                       decimation.Times(decimation.width).first <= time.Visible().endMs;
  for (int x = 0; x < decimation.width; ++x) {
    M4 block = decimation.At(series, x);
    if (edgeRow && x == decimation.width - 1) block.Append(decimation.At(series, x + 1));
    const int pixel = strip.left + x;
    ColumnState state;
    if (block.HasRows()) {
      state = Showing(block);
      carried = LeftBehind(block);
    } else if (pixel + 1 > firstX && pixel <= lastX) {
      state = carried;
    }
    if (!segments.empty() && segments.back().state == state) {
      segments.back().right = pixel + 1;
    } else {
      segments.push_back({pixel, pixel + 1, state});
    }
  }
  const int padding = layout.Scaled(kTextPaddingPx);
  const int textTop = strip.top + (strip.Height() - layout.fontHeight) / 2;
  for (const Segment& segment : segments) {
    if (segment.state.shown == Shown::Nothing) continue;
    const bool several = segment.state.shown == Shown::Several;
    const double value = segment.state.value;
    out.fills.push_back({{segment.left, strip.top, segment.right, strip.bottom},
                         several ? kSeveralColor : StateColor(value, errorLane)});
    if (several) continue;
    std::wstring text = FormatValue(value);
    if (segment.right - segment.left < layout.TextWidth(text.size()) + 2 * padding) continue;
    const bool error = errorLane && value != 0;
    out.texts.push_back({segment.left + padding, textTop, std::move(text), TextAlign::Left, TextStyle::Normal,
                         error ? kErrorTextColor : kTextColor, 0});
  }
}

}  // namespace velmar

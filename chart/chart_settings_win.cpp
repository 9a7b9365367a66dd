#include "chart/chart_settings_win.h"

#include <algorithm>
#include <string>

#include "core/decimal_text.h"

namespace velmar {

namespace {

constexpr wchar_t kSection[] = L"Chart";
constexpr int kMissing = -1;
constexpr int kMaxColumnNumber = 100'000;
// Titles never hold a comma: they are split at commas.
constexpr wchar_t kTitleSeparator = L',';

std::set<std::wstring> SplitAtCommas(const std::wstring& text) {
  std::set<std::wstring> parts;
  for (size_t start = 0; start < text.size();) {
    const size_t comma = std::min(text.find(kTitleSeparator, start), text.size());
    if (comma > start) parts.insert(text.substr(start, comma - start));
    start = comma + 1;
  }
  return parts;
}

}  // namespace

ChartSettings::ChartSettings(Profile profile) : profile_(std::move(profile)) {}

std::optional<ChartPlacement> ChartSettings::ReadPlacement() const {
  const int width = profile_.ReadInt(kSection, L"Width", kMissing);
  const int height = profile_.ReadInt(kSection, L"Height", kMissing);
  if (width <= 0 || height <= 0) return std::nullopt;
  const int x = profile_.ReadInt(kSection, L"X", 0);
  const int y = profile_.ReadInt(kSection, L"Y", 0);
  return ChartPlacement{{x, y, x + width, y + height},
                        profile_.ReadInt(kSection, L"Maximized", 0) != 0,
                        std::max(0, profile_.ReadInt(kSection, L"Dpi", 0))};
}

void ChartSettings::WritePlacement(const ChartPlacement& placement) const {
  profile_.WriteInt(kSection, L"X", placement.normal.left);
  profile_.WriteInt(kSection, L"Y", placement.normal.top);
  profile_.WriteInt(kSection, L"Width", placement.normal.Width());
  profile_.WriteInt(kSection, L"Height", placement.normal.Height());
  profile_.WriteInt(kSection, L"Maximized", placement.maximized ? 1 : 0);
  profile_.WriteInt(kSection, L"Dpi", placement.dpi);
}

TimeWindow ChartSettings::ReadWindow() const {
  const int window = profile_.ReadInt(kSection, L"TimeWindow", 0);
  if (window < 0 || window > static_cast<int>(TimeWindow::LastHour)) return TimeWindow::All;
  return static_cast<TimeWindow>(window);
}

void ChartSettings::WriteWindow(TimeWindow window) const {
  profile_.WriteInt(kSection, L"TimeWindow", static_cast<int>(window));
}

std::set<size_t> ChartSettings::ReadHiddenColumns() const {
  std::set<size_t> columns;
  const std::wstring text = profile_.ReadText(kSection, L"HiddenColumns");
  for (size_t start = 0; start < text.size();) {
    const size_t comma = std::min(text.find(L',', start), text.size());
    const IntTextResult number = ReadBoundedInt(std::wstring_view(text).substr(start, comma - start), 1, kMaxColumnNumber);
    if (number.status == IntTextStatus::Ok) columns.insert(static_cast<size_t>(number.value - 1));
    start = comma + 1;
  }
  return columns;
}

void ChartSettings::WriteHiddenColumns(const std::set<size_t>& columns) const {
  std::wstring text;
  for (const size_t column : columns) {
    if (!text.empty()) text += L',';
    text += std::to_wstring(column + 1);
  }
  profile_.WriteText(kSection, L"HiddenColumns", text);
}

bool ChartSettings::ReadStatistics() const { return profile_.ReadInt(kSection, L"Statistics", 0) != 0; }

void ChartSettings::WriteStatistics(bool shown) const { profile_.WriteInt(kSection, L"Statistics", shown ? 1 : 0); }

std::map<std::wstring, LaneKind> ChartSettings::ReadLaneKinds() const {
  std::map<std::wstring, LaneKind> kinds;
  for (const std::wstring& title : SplitAtCommas(profile_.ReadText(kSection, L"AnalogLanes"))) {
    kinds[title] = LaneKind::Analog;
  }
  for (const std::wstring& title : SplitAtCommas(profile_.ReadText(kSection, L"StateLanes"))) {
    kinds[title] = LaneKind::State;
  }
  return kinds;
}

void ChartSettings::WriteLaneKinds(const std::map<std::wstring, LaneKind>& kinds) const {
  std::wstring analog;
  std::wstring state;
  for (const auto& [title, kind] : kinds) {
    std::wstring& list = kind == LaneKind::State ? state : analog;
    if (!list.empty()) list += kTitleSeparator;
    list += title;
  }
  profile_.WriteText(kSection, L"AnalogLanes", analog);
  profile_.WriteText(kSection, L"StateLanes", state);
}

bool ChartSettings::ReadOpenAtEnd() const { return profile_.ReadInt(kSection, L"Open", 0) != 0; }

void ChartSettings::WriteOpenAtEnd(bool open) const { profile_.WriteInt(kSection, L"Open", open ? 1 : 0); }

}  // namespace velmar

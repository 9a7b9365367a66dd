#include "chart/lane_figures.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

#include "chart/time_labels.h"
#include "core/reply_fields.h"

namespace velmar {

namespace {

constexpr wchar_t kNoValue[] = L"\u2013";
constexpr wchar_t kApproximate[] = L"\u2248 ";
// Magnitudes outside [1e-4, 1e9) are written in scientific notation.
constexpr double kSmallestFixed = 1e-4;
constexpr double kLargestFixed = 1e9;

std::wstring Widen(const char* begin, const char* end) { return std::wstring(begin, end); }

std::wstring Fixed(double value, int decimals) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, std::clamp(decimals, 0, 17));
  return Widen(text, result.ptr);
}

std::wstring Significant(double value, int digits) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::general, digits);
  return Widen(text, result.ptr);
}

// Digits after the point in a value as read, or none when it is written with an exponent.
std::optional<int> Decimals(const std::wstring& text) {
  if (text.find_first_of(L"eE") != std::wstring::npos) return std::nullopt;
  const size_t point = text.find(L'.');
  return point == std::wstring::npos ? 0 : static_cast<int>(text.size() - point - 1);
}

bool FixedMagnitude(double value) {
  const double magnitude = std::abs(value);
  return magnitude == 0 || (magnitude >= kSmallestFixed && magnitude < kLargestFixed);
}

}  // namespace

FigureTexts FormatFigures(const SeriesFigures& figures) {
  const Moments& moments = figures.moments;
  if (moments.count == 0) return {kNoValue, kNoValue, kNoValue, kNoValue, kNoValue, L"0"};
  FigureTexts texts;
  texts.min = FormatValue(figures.min);
  texts.max = FormatValue(figures.max);
  texts.rows = std::to_wstring(moments.count);
  const double deviation = moments.StandardDeviation();
  const std::optional<int> minDecimals = Decimals(texts.min);
  const std::optional<int> maxDecimals = Decimals(texts.max);
  if (!minDecimals || !maxDecimals || !FixedMagnitude(figures.min) || !FixedMagnitude(figures.max) ||
      (deviation > 0 && !FixedMagnitude(deviation))) {
    texts.mean = Significant(moments.mean, 6);
    texts.deviation = Significant(deviation, 2);
    texts.peakToPeak = Significant(figures.max - figures.min, 3);
    return texts;
  }
  // The data's own resolution, and two significant digits of the spread.
  const int dataDecimals = std::max(*minDecimals, *maxDecimals);
  texts.min = Fixed(figures.min, dataDecimals);
  texts.max = Fixed(figures.max, dataDecimals);
  const int spreadDecimals = deviation > 0 ? 1 - static_cast<int>(std::floor(std::log10(deviation))) : 0;
  // A constant's mean is the value itself, exactly.
  texts.mean = deviation == 0 ? FormatValue(moments.mean) : Fixed(moments.mean, std::max(dataDecimals, spreadDecimals));
  texts.deviation = deviation == 0 ? L"0" : Fixed(deviation, spreadDecimals);
  texts.peakToPeak = figures.max == figures.min ? L"0" : Fixed(figures.max - figures.min, dataDecimals);
  return texts;
}

std::vector<std::wstring> FigureLines(const SeriesFigures& figures, bool approximate) {
  const FigureTexts texts = FormatFigures(figures);
  return {(approximate ? kApproximate : L"") + (L"mean " + texts.mean + L"  sd " + texts.deviation),
          L"min " + texts.min + L"  max " + texts.max, L"p-p " + texts.peakToPeak + L"  n " + texts.rows};
}

std::wstring FiguresTable(const ChartRun& run, const std::vector<ChartRun::Lane>& lanes, const TimeRange& range) {
  RangeFigures figures;
  run.Store().Figures(range.startMs, range.endMs, figures);
  std::wstring table = L"Statistics";
  if (figures.rows > 0) {
    const auto first = static_cast<double>(figures.firstMs);
    const auto last = static_cast<double>(figures.lastMs);
    const ElapsedStyle style = StyleFor(first, last);
    table += L" from " + FormatDateTime(run.ClockAt(figures.firstMs)) + L" to " +
             FormatDateTime(run.ClockAt(figures.lastMs)) + L" (" + FormatElapsed(first, style, 1) + L" to " +
             FormatElapsed(last, style, 1) + L" of the run, " + std::to_wstring(figures.rows) + L" rows)";
  } else {
    table += L": no rows in view";
  }
  if (figures.approximate) table += L", approximate: older rows are kept in blocks, and whole blocks count";
  table += L"\r\nLane\tMinimum\tMaximum\tMean\tStandard deviation\tPeak-to-peak\tRows\r\n";
  for (const ChartRun::Lane& lane : lanes) {
    const FigureTexts texts = FormatFigures(figures.series[lane.series]);
    table += run.Title(lane.column) + L'\t' + texts.min + L'\t' + texts.max + L'\t' + texts.mean + L'\t' +
             texts.deviation + L'\t' + texts.peakToPeak + L'\t' + texts.rows + L"\r\n";
  }
  return table;
}

}  // namespace velmar

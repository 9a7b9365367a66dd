#pragma once
#include <string>
#include <vector>

#include "chart/chart_run.h"
#include "chart/chart_view.h"
#include "chart/series_store.h"

namespace velmar {

// A lane's statistics as the chart writes them: the extremes to the decimals of the finer of
// them as read, the mean and the spread with just the digits the spread needs; "–" without values.
struct FigureTexts {
  std::wstring min;
  std::wstring max;
  std::wstring mean;
  std::wstring deviation;
  std::wstring peakToPeak;
  std::wstring rows;
};

FigureTexts FormatFigures(const SeriesFigures& figures);

// The lines beside a lane's plot; the first is marked "≈" when the figures are approximate.
std::vector<std::wstring> FigureLines(const SeriesFigures& figures, bool approximate);

// The statistics of the lanes over a time range, tab-separated for a lab notebook: a line
// naming the rows they cover, a line of headings, and a line per lane; CR LF line ends.
std::wstring FiguresTable(const ChartRun& run, const std::vector<ChartRun::Lane>& lanes, const TimeRange& range);

}  // namespace velmar

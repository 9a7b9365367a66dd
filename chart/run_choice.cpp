#include "chart/run_choice.h"

#include "chart/time_labels.h"

namespace velmar {
namespace {

std::wstring Grouped(uint64_t value) {
  std::wstring digits = std::to_wstring(value);
  for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, 1, L',');
  return digits;
}

}  // namespace

RunChoice DescribeRun(const LogRun& run, size_t index, size_t count, const std::wstring& stamp) {
  RunChoice choice;
  choice.number = std::to_wstring(index + 1) + L" of " + std::to_wstring(count);
  choice.stamp = stamp;
  choice.rows = Grouped(run.rows) + (run.rows == 1 ? L" row" : L" rows");
  if (run.rows > 0 && run.firstPoint != 1) choice.rows += L" from point " + std::to_wstring(run.firstPoint);
  choice.span = run.rows == 0 ? L"-" : FormatElapsed(static_cast<double>(run.lastMs - run.firstMs),
                                                    ElapsedStyle::HoursMinutesSeconds, 0);
  return choice;
}

std::wstring RunMenuText(const RunChoice& choice) {
  return L"Run " + choice.number + L": started " + choice.stamp + L", " + choice.rows + L", " + choice.span;
}

}  // namespace velmar

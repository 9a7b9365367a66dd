#pragma once
#include <string>
#include <vector>

namespace velmar {

// The value range a lane shows and the readable ticks on it: steps of 1, 2 or 5 times a power
// of ten, labels with just the decimals the step needs.
struct ValueScale {
  double low = 0;
  double high = 1;
  double step = 0;  // 0: no ticks (a range too wide or too fine to label)
  int stepExponent = 0;
  std::vector<double> ticks;

  // 0 at `low`, 1 at `high`; safe for ranges as wide as double allows.
  double Fraction(double value) const;
};

// The range of the finite values seen; a constant series gets a padded range with the value in
// the middle, an empty one the range 0 to 1.
ValueScale ChooseValueScale(double minValue, double maxValue, int maxTicks);

std::wstring FormatTick(double value, const ValueScale& scale);

}  // namespace velmar

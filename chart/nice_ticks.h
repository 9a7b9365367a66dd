#pragma once
#include <string>
#include <vector>

namespace velmar {

// How many value ticks a plot has room for: `preferred` at a comfortable spacing, at least
// `fewest` where the range allows, never more than `most` (0: preferred + 4).
struct TickRoom {
  TickRoom(int preferredTicks, int fewestTicks = 1, int mostTicks = 0);
  int preferred;
  int fewest;
  int most;
  bool operator==(const TickRoom&) const = default;
};

// The value range a lane shows and the readable ticks on it: steps of 1, 2 or 5 times a power
// of ten, labels with just the decimals the step needs.
struct ValueScale {
  double low = 0;
  double high = 1;
  double step = 0;  // 0: no ticks (a range too wide or too fine to label)
  int stepExponent = 0;
  std::vector<double> ticks;
  // The values the scale was chosen for: a later range that still fits may keep it.
  double fitMin = 0;
  double fitMax = 1;

  // 0 at `low`, 1 at `high`; safe for ranges as wide as double allows.
  double Fraction(double value) const;
  // Whether values from minValue to maxValue are still well shown on this scale: inside it,
  // and not shrunk to much less than it was chosen for.
  bool StillFits(double minValue, double maxValue) const;
  bool operator==(const ValueScale&) const = default;
};

// The range of the finite values seen, padded; a constant series gets the value in the middle,
// an empty one the range 0 to 1. Where the room asks for more ticks than the range holds at a
// step the room allows, the range grows to the next ticks outside it.
ValueScale ChooseValueScale(double minValue, double maxValue, const TickRoom& room);

std::wstring FormatTick(double value, const ValueScale& scale);

}  // namespace velmar

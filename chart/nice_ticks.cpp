#include "chart/nice_ticks.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace velmar {

namespace {

// Beyond this a tick's multiple of the step no longer has distinct neighbours in a double.
constexpr double kLargestTickIndex = 4.5e15;
// Magnitudes outside [1e-4, 1e9) are labelled in scientific notation.
constexpr double kSmallestFixed = 1e-4;
constexpr double kLargestFixed = 1e9;

double PowerOfTen(int exponent) {
  return exponent >= 0 ? std::pow(10.0, exponent) : 1.0 / std::pow(10.0, -exponent);
}

// The smallest 1, 2 or 5 times 10^exponent not below `rough` (positive, finite); above 1e308,
// where there is none, 1e308. A step is always finite, so a finer one can always be found.
double NiceStep(double rough, int& exponent) {
  exponent = static_cast<int>(std::floor(std::log10(rough)));
  for (;;) {
    const double power = PowerOfTen(exponent);
    for (const double mantissa : {1.0, 2.0, 5.0}) {
      if (!std::isfinite(mantissa * power)) return power;
      if (mantissa * power >= rough * (1 - 1e-12)) return mantissa * power;
    }
    ++exponent;
  }
}

// The 1, 2, 5 step below this one.
double FinerStep(double step, int& exponent) {
  const double mantissa = step / PowerOfTen(exponent);
  if (mantissa > 4) return 2 * PowerOfTen(exponent);
  if (mantissa > 1.5) return PowerOfTen(exponent);
  --exponent;
  return 5 * PowerOfTen(exponent);
}

double TickCount(double low, double high, double step) { return std::floor(high / step) - std::ceil(low / step) + 1; }

}  // namespace

TickRoom::TickRoom(int preferredTicks, int fewestTicks, int mostTicks)
    : preferred(std::max(1, preferredTicks)),
      fewest(std::max(1, fewestTicks)),
      most(mostTicks > 0 ? std::max(mostTicks, preferred) : preferred + 4) {}

bool ValueScale::StillFits(double minValue, double maxValue) const {
  constexpr double kShrunkFraction = 0.6;
  // A constant's padding says nothing about how values that vary should be shown.
  if (fitMin == fitMax) return minValue == fitMin && maxValue == fitMax;
  return minValue >= low && maxValue <= high &&
         maxValue * 0.5 - minValue * 0.5 >= kShrunkFraction * (fitMax * 0.5 - fitMin * 0.5);
}

double ValueScale::Fraction(double value) const {
  // Halved first so that high - low cannot overflow.
  return (value * 0.5 - low * 0.5) / (high * 0.5 - low * 0.5);
}

ValueScale ChooseValueScale(double minValue, double maxValue, const TickRoom& room) {
  ValueScale scale;
  if (!std::isfinite(minValue) || !std::isfinite(maxValue) || minValue > maxValue) return scale;
  scale.fitMin = minValue;
  scale.fitMax = maxValue;
  if (minValue == maxValue) {
    const double pad = minValue == 0 ? 1.0 : std::abs(minValue) * 0.1;
    scale.low = minValue - pad;
    scale.high = maxValue + pad;
  } else {
    const double pad = (maxValue * 0.5 - minValue * 0.5) * 0.1;
    scale.low = minValue - pad;
    scale.high = maxValue + pad;
  }
  if (!std::isfinite(scale.low) || !std::isfinite(scale.high) || !(scale.high > scale.low)) {
    scale.low = minValue;
    scale.high = maxValue > minValue ? maxValue : minValue + 1;
  }
  const double span = scale.high - scale.low;
  if (!std::isfinite(span) || span <= 0) return scale;
  int exponent = 0;
  double step = NiceStep(span / room.preferred, exponent);
  // Too few ticks: finer steps, as far as the room allows, then the range out to the next ticks.
  while (TickCount(scale.low, scale.high, step) < room.fewest && step > span / room.most) {
    step = FinerStep(step, exponent);
  }
  if (minValue != maxValue && std::isfinite(step)) {
    // The ends at quarter steps: values that move a little keep the same scale.
    const double quarter = step / 4;
    const double low = std::floor(scale.low / quarter) * quarter;
    const double high = std::ceil(scale.high / quarter) * quarter;
    if (std::isfinite(low) && std::isfinite(high) && high > low) {
      scale.low = low;
      scale.high = high;
    }
  }
  if (std::isfinite(step) && TickCount(scale.low, scale.high, step) < room.fewest) {
    const double below = (std::ceil(scale.low / step) - 1) * step;
    const double above = (std::floor(scale.high / step) + 1) * step;
    const bool bothSides = room.fewest - TickCount(scale.low, scale.high, step) >= 2;
    if (minValue == maxValue) {
      // Symmetric, so a constant stays in the middle.
      const double grow = std::max(scale.low - below, above - scale.high);
      scale.low -= grow;
      scale.high += grow;
    } else if (bothSides || scale.low - below <= above - scale.high) {
      scale.low = below;
      if (bothSides) scale.high = above;
    } else {
      scale.high = above;
    }
  }
  const double firstIndex = std::ceil(scale.low / step);
  const double lastIndex = std::floor(scale.high / step);
  if (!std::isfinite(step) || std::abs(firstIndex) > kLargestTickIndex ||
      std::abs(lastIndex) > kLargestTickIndex) {
    return scale;
  }
  scale.step = step;
  scale.stepExponent = exponent;
  for (double index = firstIndex; index <= lastIndex; ++index) {
    // A multiple of the step, not a running sum: no error piles up from tick to tick.
    scale.ticks.push_back(index == 0 ? 0.0 : index * step);
  }
  return scale;
}

std::wstring FormatTick(double value, const ValueScale& scale) {
  if (value == 0) return L"0";
  char text[64];
  const double magnitude = std::max(std::abs(scale.low), std::abs(scale.high));
  std::to_chars_result result;
  if (magnitude >= kLargestFixed || magnitude < kSmallestFixed) {
    const int valueExponent = static_cast<int>(std::floor(std::log10(std::abs(value))));
    const int digits = std::clamp(valueExponent - scale.stepExponent, 0, 15);
    result = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific, digits);
  } else {
    const int decimals = std::clamp(-scale.stepExponent, 0, 17);
    result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
  }
  return std::wstring(text, result.ptr);
}

}  // namespace velmar

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

// The smallest 1, 2 or 5 times 10^exponent not below `rough` (positive, finite).
double NiceStep(double rough, int& exponent) {
  exponent = static_cast<int>(std::floor(std::log10(rough)));
  for (;;) {
    const double power = PowerOfTen(exponent);
    for (const double mantissa : {1.0, 2.0, 5.0}) {
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

}  // namespace

double ValueScale::Fraction(double value) const {
  // Halved first so that high - low cannot overflow.
  return (value * 0.5 - low * 0.5) / (high * 0.5 - low * 0.5);
}

ValueScale ChooseValueScale(double minValue, double maxValue, int maxTicks) {
  ValueScale scale;
  if (!std::isfinite(minValue) || !std::isfinite(maxValue) || minValue > maxValue) return scale;
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
  if (!std::isfinite(span) || span <= 0 || maxTicks < 1) return scale;
  int exponent = 0;
  double step = NiceStep(span / maxTicks, exponent);
  // A lane with room for one tick still gets one: the next finer step, until one lies in range.
  while (std::ceil(scale.low / step) > std::floor(scale.high / step) && step > span / (maxTicks + 4)) {
    step = FinerStep(step, exponent);
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

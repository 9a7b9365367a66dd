#pragma once
#include <cstddef>
#include <cstdint>

#include "chart/chart_scene.h"
#include "chart/series_store.h"

namespace velmar {

// One lane of states as a strip: each run of pixel columns showing one value is a segment in
// that value's colour, the value written inside where it fits; a pixel column holding several
// values has a colour of its own, and rows without a number leave the strip empty. In an error
// lane every value but 0 is red.
void AddStrip(const ChartLayout& layout, const PixelRect& strip, const TimeTransform& time, const RunExtent& extent,
              const Decimation& decimation, size_t series, bool errorLane, SceneLayer& out);

uint32_t StateColor(double value, bool errorLane);

}  // namespace velmar

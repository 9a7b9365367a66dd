#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "chart/chart_scene.h"
#include "chart/plot_transform.h"
#include "chart/series_store.h"

namespace velmar {

// One analog lane's line, clipped to its plot, through each pixel column's first value,
// extremes and last value; rows without a number break it.
void AddLaneLines(const TimeTransform& time, const ValueTransform& values, const Decimation& decimation,
                  size_t series, size_t laneIndex, uint32_t color, std::vector<ScenePolyline>& out);

}  // namespace velmar

#pragma once
#include <cstddef>
#include <map>
#include <vector>

#include "chart/chart_run.h"
#include "chart/chart_scene.h"
#include "chart/series_store.h"
#include "core/column_limits.h"

namespace velmar {

inline constexpr uint32_t kAlarmColor = 0xD00000;
inline constexpr uint32_t kOutsideShade = 0xFBE3E3;

// The limits of the run's lanes, by column, matched to them by title.
std::map<size_t, ColumnLimit> LimitsOfLanes(const ChartRun& run, const std::vector<ColumnLimit>& limits);

// A lane's limits in its plot: the stretches where a value was outside them shaded, from the
// first pixel column holding such a value to the column whose last value is back inside, and
// each limit inside the scale as a dashed line over the shading.
void AddLimitMarks(const ColumnLimit& limit, const TimeTransform& time, const ValueTransform& values,
                   const Decimation& decimation, size_t series, SceneLayer& out);

}  // namespace velmar

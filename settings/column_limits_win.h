#pragma once
#include <vector>

#include "core/column_limits.h"
#include "settings/profile_win.h"

namespace velmar {

// The "Limits" key beside "Settings": one text value per column, named by the column's title
// and holding its limit as the /limit switch writes it after the '=': "LOW..HIGH", with "/N"
// when the alarm waits for N polls in a row, e.g. "24.5..25.5/3", "..0.5", "10..". Values that
// do not read as a limit are skipped.
std::vector<ColumnLimit> LoadColumnLimits(const Profile& profile);
// Stores the column's limit under its title; a limit with no side removes the value.
void StoreColumnLimit(const Profile& profile, const ColumnLimit& limit);

}  // namespace velmar

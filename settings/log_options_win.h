#pragma once
#include "settings/log_options.h"
#include "settings/profile_win.h"

namespace velmar {

// Reads the "Options" key; a missing or out-of-range value takes its default.
LogOptions LoadLogOptions(const Profile& profile);
void StoreLogOptions(const Profile& profile, const LogOptions& options);

}  // namespace velmar

#pragma once
#include "settings/app_settings.h"
#include "settings/profile_win.h"

namespace velmar {

// Reads the six values from the "Settings" section; missing ones take their defaults.
AppSettings LoadSettings(const Profile& profile);

// Writes the three integers, then the three texts, to the "Settings" section.
void StoreSettings(const Profile& profile, const AppSettings& settings);

}  // namespace velmar

#include "settings/log_options_win.h"

#include "settings/broker_values.h"
#include "settings/protected_text_win.h"

namespace velmar {

namespace {

constexpr const wchar_t* kSection = L"Options";

BrokerOptions LoadBroker(const Profile& profile) {
  BrokerOptions broker;
  ReadBrokerValues(profile, kSection, broker);
  // Another user's or another computer's secret reads as none.
  broker.password = UnprotectForUser(profile.ReadBytes(kSection, L"BrokerPassword")).value_or(L"");
  return broker;
}

}  // namespace

LogOptions LoadLogOptions(const Profile& profile) {
  LogOptions options;
  const int split = profile.ReadInt(kSection, L"Split", static_cast<int>(SplitMode::Never));
  if (split >= static_cast<int>(SplitMode::Never) && split <= static_cast<int>(SplitMode::Rows)) {
    options.split.mode = static_cast<SplitMode>(split);
  }
  const int rows = profile.ReadInt(kSection, L"SplitRows", static_cast<int>(kDefaultSplitRows));
  if (rows >= static_cast<int>(kMinSplitRows) && rows <= static_cast<int>(kMaxSplitRows)) {
    options.split.rows = static_cast<uint32_t>(rows);
  }
  options.broker = LoadBroker(profile);
  options.alarmSound = profile.ReadInt(kSection, L"AlarmSound", 0) == 1;
  return options;
}

void StoreLogOptions(const Profile& profile, const LogOptions& options) {
  profile.WriteInt(kSection, L"Split", static_cast<int>(options.split.mode));
  profile.WriteInt(kSection, L"SplitRows", static_cast<int>(options.split.rows));
  WriteBrokerValues(profile, kSection, options.broker);
  profile.WriteBytes(kSection, L"BrokerPassword", ProtectForUser(options.broker.password));
  profile.WriteInt(kSection, L"AlarmSound", options.alarmSound ? 1 : 0);
}

}  // namespace velmar

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "settings/column_limits_win.h"
#include "settings/log_options_win.h"
#include "settings/profile_win.h"

namespace velmar {
namespace {

constexpr const wchar_t* kRoot = L"Local AppWizard-Generated Applications";

// Each test gets an application key of its own and removes it afterwards.
class LimitsRegistryTest : public ::testing::Test {
 protected:
  LimitsRegistryTest()
      : applicationName_(L"VelmarLimitsTest-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                         std::to_wstring(++testCount_)),
        profile_(kRoot, applicationName_) {}

  ~LimitsRegistryTest() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, (std::wstring(L"Software\\") + kRoot + L"\\" + applicationName_).c_str());
  }

  static inline int testCount_ = 0;
  std::wstring applicationName_;
  Profile profile_;
};

TEST_F(LimitsRegistryTest, EachColumnsLimitIsATextNamedByItsTitle) {
  EXPECT_TRUE(LoadColumnLimits(profile_).empty());
  StoreColumnLimit(profile_, {L" TEC Sensor T ", 24.5, 25.1, 3});
  StoreColumnLimit(profile_, {L"Laser Current", std::nullopt, 150, 1});
  StoreColumnLimit(profile_, {L"Errors", 0, 0, 1});
  EXPECT_EQ(profile_.ReadText(L"Limits", L"TEC Sensor T"), L"24.5..25.1/3");
  EXPECT_EQ(profile_.ReadText(L"Limits", L"Laser Current"), L"..150");

  // A limit with no side removes the value; a value that is no limit is skipped.
  StoreColumnLimit(profile_, {L"Errors", std::nullopt, std::nullopt, 1});
  profile_.WriteText(L"Limits", L"Typed by hand", L"a..b");
  profile_.WriteInt(L"Limits", L"A number", 5);
  const std::vector<ColumnLimit> loaded = LoadColumnLimits(profile_);
  const std::vector<ColumnLimit> expected{{L"TEC Sensor T", 24.5, 25.1, 3}, {L"Laser Current", std::nullopt, 150, 1}};
  EXPECT_EQ(loaded.size(), expected.size());
  for (const ColumnLimit& limit : expected) {
    const ColumnLimit* found = FindLimit(loaded, limit.title);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(*found, limit);
  }
}

TEST_F(LimitsRegistryTest, TheAlarmSoundIsOffUntilChosen) {
  EXPECT_FALSE(LoadLogOptions(profile_).alarmSound);
  LogOptions options;
  options.alarmSound = true;
  StoreLogOptions(profile_, options);
  EXPECT_EQ(profile_.ReadInt(L"Options", L"AlarmSound", 0), 1);
  EXPECT_TRUE(LoadLogOptions(profile_).alarmSound);
}

}  // namespace
}  // namespace velmar

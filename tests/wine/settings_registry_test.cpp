#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/unique_handle_win.h"
#include "settings/app_settings_win.h"
#include "settings/log_options_win.h"
#include "settings/profile_win.h"

namespace velmar {
namespace {

constexpr const wchar_t* kRoot = L"Local AppWizard-Generated Applications";
constexpr const wchar_t* kSection = L"Settings";

// Each test gets an application key of its own and removes it afterwards, so runs neither
// see nor leave settings.
class SettingsRegistryTest : public ::testing::Test {
 protected:
  SettingsRegistryTest()
      : applicationName_(L"VelmarSettingsTest-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                         std::to_wstring(++testCount_)),
        profile_(kRoot, applicationName_) {}

  ~SettingsRegistryTest() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, ApplicationKeyPath().c_str());
  }

  std::wstring ApplicationKeyPath() const {
    return std::wstring(L"Software\\") + kRoot + L"\\" + applicationName_;
  }

  std::wstring SettingsKeyPath() const {
    return ApplicationKeyPath() + L"\\" + kSection;
  }

  UniqueRegKey OpenSettingsKey() const {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, SettingsKeyPath().c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
      return {};
    }
    return UniqueRegKey(key);
  }

  void SetRaw(const wchar_t* name, DWORD type, const std::vector<unsigned char>& data) {
    HKEY created = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, SettingsKeyPath().c_str(), 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &created, nullptr),
              ERROR_SUCCESS);
    const UniqueRegKey key(created);
    ASSERT_EQ(
        RegSetValueExW(key.Get(), name, 0, type, data.data(), static_cast<DWORD>(data.size())),
        ERROR_SUCCESS);
  }

  struct RawValue {
    DWORD type = REG_NONE;
    std::vector<unsigned char> data;
  };

  RawValue GetRaw(const wchar_t* name) const {
    RawValue value;
    const UniqueRegKey key = OpenSettingsKey();
    DWORD size = 0;
    if (!key ||
        RegQueryValueExW(key.Get(), name, nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS) {
      return value;
    }
    value.data.resize(size);
    RegQueryValueExW(key.Get(), name, nullptr, nullptr, value.data.data(), &size);
    return value;
  }

  static inline int testCount_ = 0;
  std::wstring applicationName_;
  Profile profile_;
};

TEST_F(SettingsRegistryTest, FirstLoadGivesDefaultsAndCreatesEmptyKeys) {
  const AppSettings settings = LoadSettings(profile_);

  EXPECT_EQ(settings.comPort, 1);
  EXPECT_EQ(settings.baudRate, 38400);
  EXPECT_EQ(settings.interval, 1000);
  EXPECT_EQ(settings.command, L"");
  EXPECT_EQ(settings.fileName, L"");
  EXPECT_EQ(settings.header, L"");

  const UniqueRegKey key = OpenSettingsKey();
  ASSERT_TRUE(key);
  DWORD valueCount = 1;
  ASSERT_EQ(RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             &valueCount, nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(valueCount, 0u);
}

TEST_F(SettingsRegistryTest, StoredSettingsLoadBack) {
  AppSettings stored;
  stored.comPort = 12;
  stored.baudRate = 115200;
  stored.interval = 250;
  stored.command = L"LAS:LDI?;TEC:T?";
  stored.fileName = L"C:\\Logs\\r\u00e9sultat \u20ac.csv";
  stored.header = L"Current (mA),Temperature (C)";
  StoreSettings(profile_, stored);

  const AppSettings loaded = LoadSettings(profile_);

  EXPECT_EQ(loaded.comPort, stored.comPort);
  EXPECT_EQ(loaded.baudRate, stored.baudRate);
  EXPECT_EQ(loaded.interval, stored.interval);
  EXPECT_EQ(loaded.command, stored.command);
  EXPECT_EQ(loaded.fileName, stored.fileName);
  EXPECT_EQ(loaded.header, stored.header);
}

TEST_F(SettingsRegistryTest, IntegersAreStoredAsDwords) {
  StoreSettings(profile_, AppSettings{});

  for (const wchar_t* name : {L"COMPort", L"BaudRate", L"Interval"}) {
    const RawValue value = GetRaw(name);
    EXPECT_EQ(value.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(value.data.size(), sizeof(DWORD));
  }
  EXPECT_EQ(GetRaw(L"BaudRate").data, (std::vector<unsigned char>{0x00, 0x96, 0x00, 0x00}));
}

TEST_F(SettingsRegistryTest, TextsAreStoredWithTheirTerminatingZero) {
  AppSettings stored;
  stored.command = L"*IDN?";
  StoreSettings(profile_, stored);

  const RawValue command = GetRaw(L"Command");
  EXPECT_EQ(command.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(command.data,
            (std::vector<unsigned char>{'*', 0, 'I', 0, 'D', 0, 'N', 0, '?', 0, 0, 0}));
  const RawValue header = GetRaw(L"Header");
  EXPECT_EQ(header.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(header.data, (std::vector<unsigned char>{0, 0}));
}

TEST_F(SettingsRegistryTest, NegativeIntegerLoadsBack) {
  profile_.WriteInt(kSection, L"Interval", -5);
  EXPECT_EQ(profile_.ReadInt(kSection, L"Interval", 1000), -5);
}

TEST_F(SettingsRegistryTest, LongTextLoadsBack) {
  const std::wstring text(5000, L'x');
  profile_.WriteText(kSection, L"Command", text);
  EXPECT_EQ(profile_.ReadText(kSection, L"Command"), text);
}

TEST_F(SettingsRegistryTest, IntegerIsReadFromTheBytesOfAnyType) {
  // L"7" with its terminator is the four bytes '7', 0, 0, 0.
  SetRaw(L"COMPort", REG_SZ, {'7', 0, 0, 0});
  EXPECT_EQ(LoadSettings(profile_).comPort, '7');
}

TEST_F(SettingsRegistryTest, IntegerDataLongerThanFourBytesGivesTheDefault) {
  SetRaw(L"Interval", REG_BINARY, {0x2C, 0x01, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(LoadSettings(profile_).interval, 1000);
  SetRaw(L"COMPort", REG_SZ, {'1', 0, '2', 0, 0, 0});
  EXPECT_EQ(LoadSettings(profile_).comPort, 1);
}

TEST_F(SettingsRegistryTest, ShortIntegerDataIsZeroExtended) {
  SetRaw(L"Interval", REG_BINARY, {0x2C, 0x01});
  EXPECT_EQ(LoadSettings(profile_).interval, 300);
  SetRaw(L"BaudRate", REG_BINARY, {0x00, 0xC2, 0x01});
  EXPECT_EQ(LoadSettings(profile_).baudRate, 115200);
}

TEST_F(SettingsRegistryTest, TextWithoutTerminatorAndOfOddLengthIsReadSafely) {
  SetRaw(L"Command", REG_BINARY, {'a', 0, 'b', 0, 'c'});
  EXPECT_EQ(LoadSettings(profile_).command, L"ab");
  SetRaw(L"Filename", REG_SZ, {'l', 0, 'o', 0, 'g', 0});
  EXPECT_EQ(LoadSettings(profile_).fileName, L"log");
}

TEST_F(SettingsRegistryTest, TextStopsAtAnEmbeddedZero) {
  SetRaw(L"Header", REG_MULTI_SZ, {'A', 0, 0, 0, 'B', 0, 0, 0, 0, 0});
  EXPECT_EQ(LoadSettings(profile_).header, L"A");
}

TEST_F(SettingsRegistryTest, IntegerValueReadAsTextGivesItsUnits) {
  profile_.WriteInt(kSection, L"Command", 0x00620061);
  EXPECT_EQ(profile_.ReadText(kSection, L"Command"), L"ab");
}

TEST_F(SettingsRegistryTest, BrokerOptionsLoadBackWithThePasswordNeverInPlainText) {
  LogOptions options;
  options.broker = {L"lab-pi", 1884, L"lab/tec", L"anna", L"s3cret-pässword"};
  StoreLogOptions(profile_, options);
  EXPECT_EQ(LoadLogOptions(profile_), options);

  const std::vector<unsigned char> stored = profile_.ReadBytes(L"Options", L"BrokerPassword");
  const std::wstring& password = options.broker.password;
  const auto* plain = reinterpret_cast<const unsigned char*>(password.data());
  EXPECT_EQ(std::search(stored.begin(), stored.end(), plain, plain + password.size() * sizeof(wchar_t)),
            stored.end());
  // Bytes that are no secret of this user's read as no password.
  profile_.WriteBytes(L"Options", L"BrokerPassword", {'p', 0, 'w', 0});
  EXPECT_EQ(LoadLogOptions(profile_).broker.password, L"");
}

}  // namespace
}  // namespace velmar

#include "settings/app_settings_win.h"

namespace velmar {

namespace {

constexpr const wchar_t* kSection = L"Settings";
constexpr const wchar_t* kComPort = L"COMPort";
constexpr const wchar_t* kBaudRate = L"BaudRate";
constexpr const wchar_t* kInterval = L"Interval";
constexpr const wchar_t* kCommand = L"Command";
constexpr const wchar_t* kFileName = L"Filename";
constexpr const wchar_t* kHeader = L"Header";

}  // namespace

AppSettings LoadSettings(const Profile& profile) {
  AppSettings settings;
  settings.comPort = profile.ReadInt(kSection, kComPort, settings.comPort);
  settings.baudRate = profile.ReadInt(kSection, kBaudRate, settings.baudRate);
  settings.interval = profile.ReadInt(kSection, kInterval, settings.interval);
  settings.command = profile.ReadText(kSection, kCommand);
  settings.fileName = profile.ReadText(kSection, kFileName);
  settings.header = profile.ReadText(kSection, kHeader);
  return settings;
}

void StoreSettings(const Profile& profile, const AppSettings& settings) {
  profile.WriteInt(kSection, kComPort, settings.comPort);
  profile.WriteInt(kSection, kBaudRate, settings.baudRate);
  profile.WriteInt(kSection, kInterval, settings.interval);
  profile.WriteText(kSection, kCommand, settings.command);
  profile.WriteText(kSection, kFileName, settings.fileName);
  profile.WriteText(kSection, kHeader, settings.header);
}

}  // namespace velmar

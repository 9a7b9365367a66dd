#pragma once

namespace velmar::test {

// The presets' texts as the user must see them, written out once for every test.
inline constexpr wchar_t kLaser[] = L"las:ldi?;ldv?;mdi?;out?;eve?;cond?;err?";
inline constexpr wchar_t kTec[] = L"tec:ite?;v?;t?;r?;out?;eve?;cond?;err?";
inline constexpr wchar_t kCombo[] = L"las:ldi?;ldv?;mdi?;out?;eve?;cond?;tec:ite?;v?;t?;r?;out?;eve?;cond?;err?";
inline constexpr char kLaserTitles[] =
    "Laser Current,Laser Voltage,Laser Photodiode,Laser Output,Laser Event,Laser Condition,Errors";
inline constexpr char kTecTitles[] =
    "TEC Current,TEC Voltage,TEC Sensor T,TEC Sensor R,TEC Output,TEC Event,TEC Condition,Errors";
inline constexpr char kComboTitles[] =
    "Laser Current,Laser Voltage,Laser Photodiode,Laser Output,Laser Event,Laser Condition,TEC Current,TEC Voltage,"
    "TEC Sensor T,TEC Sensor R,TEC Output,TEC Event,TEC Condition,Errors";

}  // namespace velmar::test

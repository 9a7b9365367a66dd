#pragma once

namespace velmar {

struct CommandPreset {
  const wchar_t* queryLine;
  // One title per query, in the same order, naming the reply's columns.
  const wchar_t* columnTitles;
};

inline constexpr CommandPreset kLaserPreset{
    L"las:ldi?;ldv?;mdi?;out?;eve?;cond?;err?",
    L"Laser Current,Laser Voltage,Laser Photodiode,Laser Output,Laser Event,Laser Condition,Errors"};

inline constexpr CommandPreset kTecPreset{
    L"tec:ite?;v?;t?;r?;out?;eve?;cond?;err?",
    L"TEC Current,TEC Voltage,TEC Sensor T,TEC Sensor R,TEC Output,TEC Event,TEC Condition,Errors"};

inline constexpr CommandPreset kComboPreset{
    L"las:ldi?;ldv?;mdi?;out?;eve?;cond?;tec:ite?;v?;t?;r?;out?;eve?;cond?;err?",
    L"Laser Current,Laser Voltage,Laser Photodiode,Laser Output,Laser Event,Laser Condition,"
    L"TEC Current,TEC Voltage,TEC Sensor T,TEC Sensor R,TEC Output,TEC Event,TEC Condition,Errors"};

inline constexpr const wchar_t* kDefaultColumnTitles = L"Response(s)";

}  // namespace velmar

#pragma once
#include <windows.h>

// The main dialog's window timers.
namespace velmar {

inline constexpr UINT_PTR kPollTimer = 1;
inline constexpr UINT_PTR kPortListTimer = 2;

}  // namespace velmar

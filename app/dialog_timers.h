#pragma once
#include <windows.h>

// The main dialog's window timers.
namespace velmar {

inline constexpr UINT_PTR kPollTimer = 1;
inline constexpr UINT_PTR kPortListTimer = 2;
// Ends a run started from the command line with a duration.
inline constexpr UINT_PTR kDurationTimer = 3;
// Looks for a port a command-line start waits for, between device-change notices.
inline constexpr UINT_PTR kPortWaitTimer = 4;

// Ends the refusal of the dialog manager's first restore of a minimised start, had it none.
inline constexpr UINT_PTR kMinimizedHoldTimer = 5;

// Posted once the dialog is up, to act on the command line's switches.
inline constexpr UINT kStartupMessage = WM_APP + 1;
// The notification-area icon's mouse messages.
inline constexpr UINT kTrayMessage = WM_APP + 2;
// Posted by a publisher's network thread: it has news for the events file (the broker refused
// the user name or password or TLS the broker, the library a message, rows were dropped).
inline constexpr UINT kPublishingNewsMessage = WM_APP + 3;
// Posted by a connection attempt's thread: the attempt to reach a network instrument has ended.
inline constexpr UINT kConnectionMessage = WM_APP + 4;

}  // namespace velmar

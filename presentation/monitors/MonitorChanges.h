#pragma once

#include <QList>

#include "MonitorIdentity.h"

// What a change of the monitors asks of a window that covers one monitor, or waits for it while that
// monitor is away.
enum class TMonitorReaction {
    Nothing,
    Withdraw,  // its monitor went away: hide the window (never onto another monitor), pause the advance
    Return,    // its monitor came back: cover it again and resume the advance if it was advancing
    Follow,    // its monitor's bounds changed: cover them
};

// A window's monitor after the monitors changed: what the window is to do, and where its monitor is now
// among the monitors there (-1 while it is away).
struct TMonitorChange {
    TMonitorReaction Reaction = TMonitorReaction::Nothing;
    int Index = -1;
};

// Whether the system's name for a monitor lasts: XWayland names its outputs "XWAYLAND<n>" with a number
// that changes every time an output comes back, so such a name is no identity.
bool HasLastingName(const TMonitorIdentity& monitor);

// The monitor `covered` among `monitors`: by its identity (FindMonitor), or, for a monitor the system
// gives neither a name nor a device, by its bounds among the others without either. With `waiting` (its
// window waits for it to come back) a monitor whose name does not last is also found as one of the same
// bounds and device whose name does not last either: the same monitor, come back under a new name. -1
// when it is not there.
int FindCoveredMonitor(const QList<TMonitorInfo>& monitors, const TMonitorInfo& covered,
                       bool waiting = false);

// The change for a window on `covered`, as last seen, when `monitors` are there now; `waiting` says that
// the window already waits for its monitor to come back:
//
//   waiting   its monitor now                reaction
//   no        gone                           Withdraw
//   no        there, other bounds            Follow
//   yes       there again                    Return
//   any other case                           Nothing
TMonitorChange MonitorChangeFor(const QList<TMonitorInfo>& monitors, const TMonitorInfo& covered,
                                bool waiting);

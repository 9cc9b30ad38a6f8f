#pragma once

#include <QList>
#include <QRect>

#include "monitors/MonitorIdentity.h"

namespace monitorfakes {

// A monitor of 1920 x 1080 pixels at `left`, `top` on the desktop.
inline TMonitorInfo Monitor(const TMonitorIdentity& identity, int left = 0, int top = 0) {
    return {identity, QRect(left, top, 1920, 1080), QSize(1920, 1080)};
}

// Monitors of 1920 x 1080 side by side from the desktop's origin, in the system's order as given.
inline QList<TMonitorInfo> SideBySide(const QList<TMonitorIdentity>& identities) {
    QList<TMonitorInfo> monitors;
    for (const TMonitorIdentity& identity : identities) {
        monitors.append(Monitor(identity, 1920 * int(monitors.size())));
    }
    return monitors;
}

}  // namespace monitorfakes

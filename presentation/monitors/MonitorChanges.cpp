#include "MonitorChanges.h"

#include <QRegularExpression>

bool HasLastingName(const TMonitorIdentity& monitor) {
    static const QRegularExpression XWaylandOutput(QStringLiteral("^XWAYLAND[0-9]+$"));
    return !monitor.Name.isEmpty() && !XWaylandOutput.match(monitor.Name).hasMatch();
}

int FindCoveredMonitor(const QList<TMonitorInfo>& monitors, const TMonitorInfo& covered, bool waiting) {
    if (!covered.Identity.IsEmpty()) {
        const int found = FindMonitor(monitors, covered.Identity);
        if (found >= 0 || !waiting || HasLastingName(covered.Identity)) {
            return found;
        }
        for (int i = 0; i < monitors.size(); ++i) {
            const TMonitorIdentity& identity = monitors[i].Identity;
            if (!HasLastingName(identity) && monitors[i].Geometry == covered.Geometry &&
                identity.SameDevice(covered.Identity)) {
                return i;
            }
        }
        return -1;
    }
    for (int i = 0; i < monitors.size(); ++i) {
        if (monitors[i].Identity.IsEmpty() && monitors[i].Geometry == covered.Geometry) {
            return i;
        }
    }
    return -1;
}

TMonitorChange MonitorChangeFor(const QList<TMonitorInfo>& monitors, const TMonitorInfo& covered,
                                bool waiting) {
    const int found = FindCoveredMonitor(monitors, covered, waiting);
    if (found < 0) {
        return {waiting ? TMonitorReaction::Nothing : TMonitorReaction::Withdraw, -1};
    }
    if (waiting) {
        return {TMonitorReaction::Return, found};
    }
    return {
        monitors[found].Geometry != covered.Geometry ? TMonitorReaction::Follow : TMonitorReaction::Nothing,
        found};
}

#include "MonitorChanges.h"

int FindCoveredMonitor(const QList<TMonitorInfo>& monitors, const TMonitorInfo& covered) {
    if (!covered.Identity.IsEmpty()) {
        return FindMonitor(monitors, covered.Identity);
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
    const int found = FindCoveredMonitor(monitors, covered);
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

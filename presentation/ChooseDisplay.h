#pragma once

#include <QList>
#include <QPoint>
#include <QRect>

#include "monitors/MonitorIdentity.h"

// The monitor nearest to `cursor`: the first one that contains it, else the one at the least distance
// (the first of equals). -1 when there are no monitors.
int OperatorMonitor(const QList<QRect>& monitors, QPoint cursor);

// The monitor a slideshow goes to, as an index into `monitors` (the system's order): the k-th monitor
// when the display choice k is above 0 and there are at least k monitors; else the first monitor that
// is not the operator's, or the operator's own when it is the only one. -1 when there are no monitors.
int ChooseDisplay(const QList<QRect>& monitors, QPoint cursor, int displayChoice);

// The monitor a slideshow goes to when the settings also remember a monitor by its identity: that
// monitor when it is there, whatever its place in the system's order; the automatic choice when it is
// not. Without a remembered monitor, the display choice decides as above.
int ChooseMonitor(const QList<TMonitorInfo>& monitors, QPoint cursor, int displayChoice,
                  const TMonitorIdentity& remembered);

#include "ChooseDisplay.h"

#include <limits>

namespace {

// Squared distance from the point to the nearest pixel of the rectangle (0 inside it).
qint64 DistanceSquared(const QRect& rect, QPoint point) {
    const qint64 dx = point.x() < rect.left()    ? rect.left() - point.x()
                      : point.x() > rect.right() ? point.x() - rect.right()
                                                 : 0;
    const qint64 dy = point.y() < rect.top()      ? rect.top() - point.y()
                      : point.y() > rect.bottom() ? point.y() - rect.bottom()
                                                  : 0;
    return dx * dx + dy * dy;
}

}  // namespace

int OperatorMonitor(const QList<QRect>& monitors, QPoint cursor) {
    int nearest = -1;
    qint64 best = std::numeric_limits<qint64>::max();
    for (int i = 0; i < monitors.size(); ++i) {
        const qint64 distance = DistanceSquared(monitors[i], cursor);
        if (distance < best) {
            best = distance;
            nearest = i;
        }
    }
    return nearest;
}

int ChooseDisplay(const QList<QRect>& monitors, QPoint cursor, int displayChoice) {
    const int count = int(monitors.size());
    if (displayChoice > 0 && count >= displayChoice) {
        return displayChoice - 1;
    }
    const int own = OperatorMonitor(monitors, cursor);
    for (int i = 0; i < count; ++i) {
        if (i != own) {
            return i;
        }
    }
    return own;
}

int ChooseMonitor(const QList<TMonitorInfo>& monitors, QPoint cursor, int displayChoice,
                  const TMonitorIdentity& remembered) {
    if (!remembered.IsEmpty()) {
        const int found = FindMonitor(monitors, remembered);
        if (found >= 0) {
            return found;
        }
        displayChoice = 0;
    }
    QList<QRect> bounds;
    for (const TMonitorInfo& monitor : monitors) {
        bounds.append(monitor.Geometry);
    }
    return ChooseDisplay(bounds, cursor, displayChoice);
}

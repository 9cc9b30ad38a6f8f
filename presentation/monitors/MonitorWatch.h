#pragma once

#include <QList>
#include <QObject>

#include "MonitorIdentity.h"

class QScreen;

// The system's monitors as Qt reports them: what they are now, and a signal whenever one comes, goes or
// changes its bounds. The signal comes straight from Qt's own: when a monitor goes away, its receivers run
// before Qt moves that monitor's windows elsewhere.
class TMonitorWatch : public QObject {
    Q_OBJECT
public:
    explicit TMonitorWatch(QObject* parent = nullptr);

    // The monitors there now, in the system's order.
    static QList<TMonitorInfo> Monitors();
    static TMonitorInfo Describe(const QScreen& screen);

signals:
    // The monitors there after the change (a monitor going away is not among them).
    void MonitorsChanged(const QList<TMonitorInfo>& monitors);

private:
    void Watch(QScreen* screen);
    void Report(const QScreen* leaving);
};

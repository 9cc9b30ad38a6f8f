#pragma once

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

// What tells one monitor from another when monitors come and go or change their order: the name the
// system gives it (its connector, e.g. "HDMI-1") and, where the monitor reports them, its manufacturer,
// model and serial number. Every field is kept trimmed, so that it reads back from the settings file as
// it was written.
struct TMonitorIdentity {
    QString Name;
    QString Manufacturer;
    QString Model;
    QString SerialNumber;

    TMonitorIdentity() = default;
    TMonitorIdentity(const QString& name, const QString& manufacturer = QString(),
                     const QString& model = QString(), const QString& serialNumber = QString());

    bool IsEmpty() const;
    // Manufacturer, model and serial number are all the same.
    bool SameDevice(const TMonitorIdentity& other) const;

    friend bool operator==(const TMonitorIdentity&, const TMonitorIdentity&) = default;
};

// One monitor as the system reports it now.
struct TMonitorInfo {
    TMonitorIdentity Identity;
    QRect Geometry;  // its full bounds on the desktop, in the desktop's coordinates
    QSize Pixels;    // its size in its own pixels (the geometry's size times its scale)

    friend bool operator==(const TMonitorInfo&, const TMonitorInfo&) = default;
};

// The monitor of `monitors` (the system's order) that `remembered` designates, -1 when there is none.
// Monitors are told apart by name: of those with the remembered name, the first that is also the same
// device, else the first of them. A remembered identity without a name designates the first nameless
// monitor that is the same device, when the device is known at all. An empty identity designates none.
int FindMonitor(const QList<TMonitorInfo>& monitors, const TMonitorIdentity& remembered);

// How the operator sees a monitor: its 1-based number in the system's order and its name, "2 — HDMI-1"
// (only the number when it has no name)...
QString MonitorName(int number, const TMonitorIdentity& monitor);
// ...and, in the display list, with its size in pixels: "2 — HDMI-1, 1920 x 1080".
QString MonitorLabel(int number, const TMonitorInfo& monitor);

// An identity as one settings value: name, manufacturer, model and serial number separated by ';', with
// '\' and ';' inside a field written as "\\" and "\;". Empty for an empty identity.
QString MonitorIdentityText(const TMonitorIdentity& monitor);
// The identity such a value holds. Fields that are missing are empty, fields beyond the fourth are
// ignored, a '\' at the end stands for itself; any text reads as some identity.
TMonitorIdentity ParseMonitorIdentity(const QString& text);

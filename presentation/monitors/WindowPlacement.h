#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QTimer>

#include "Platform.h"

class QScreen;
class QWidget;

// Where a window of ours goes on one monitor, and how it asks for it. On X11 a window's geometry puts it
// there; on Wayland the only request a client has is full screen on an output. So a window that covers a
// monitor always gives its bounds, names the monitor's screen and asks for full screen, which covers the
// monitor on both; a window meant for the middle of a monitor is full screen there where the platform
// does not place windows.
struct TWindowPlacement {
    QRect Geometry;
    bool FullScreen = false;

    friend bool operator==(const TWindowPlacement&, const TWindowPlacement&) = default;
};

// Covering the monitor of bounds `monitor`.
TWindowPlacement CoveringPlacement(const QRect& monitor);
// A window of `size` in the middle of the monitor of bounds `monitor`, at most half its size each way.
TWindowPlacement CentredPlacement(const TPlatformTraits& platform, const QRect& monitor, QSize size);

// The screen whose bounds are `bounds`; null when none is.
QScreen* ScreenWithBounds(const QRect& bounds);
// Shows `window` as `placement` says, on `screen` (left as it is when null). It does not ask for the
// keyboard focus.
void ShowPlaced(QWidget& window, QScreen* screen, const TWindowPlacement& placement);

// Tells when the desktop has put a window shown on one screen on another: on a tiling desktop under
// XWayland, say, which ignores the positions X11 clients give, or a desktop that refuses the request.
// The window's screen is judged once it has stayed the same for a moment after it was shown, and again
// after every later change; a hidden window is never judged.
class TPlacementWatch : public QObject {
    Q_OBJECT
public:
    explicit TPlacementWatch(QObject* parent = nullptr);

    // From now on `window` belongs on `screen` (a null screen: anywhere).
    void Watch(QWidget& window, QScreen* screen);
    void Stop();

    // How long the window's screen must stay the same before it is judged.
    QTimer SettleTimer;

signals:
    // The window is shown on another screen than its own.
    void Misplaced();

private:
    void Judge();

    QPointer<QWidget> Window;
    QPointer<QScreen> Wanted;
    QMetaObject::Connection ScreenChanged;
};

#include "WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include "ErrorBoundary.h"

namespace {
constexpr int SettleMilliseconds = 1500;
}

TWindowPlacement CoveringPlacement(const QRect& monitor) {
    return {monitor, true};
}

TWindowPlacement CentredPlacement(const TPlatformTraits& platform, const QRect& monitor, QSize size) {
    if (!platform.PlacesWindows) {
        return CoveringPlacement(monitor);
    }
    QRect window(QPoint(), size.boundedTo(monitor.size() / 2));
    window.moveCenter(monitor.center());
    return {window, false};
}

QScreen* ScreenWithBounds(const QRect& bounds) {
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen->geometry() == bounds) {
            return screen;
        }
    }
    return nullptr;
}

void ShowPlaced(QWidget& window, QScreen* screen, const TWindowPlacement& placement) {
    // A window already full screen takes new bounds only out of that state.
    if (window.isFullScreen() && window.geometry() != placement.Geometry) {
        window.setWindowState(window.windowState() & ~Qt::WindowFullScreen);
    }
    if (!placement.Geometry.isEmpty()) {
        window.setGeometry(placement.Geometry);
    }
    if (screen != nullptr) {
        window.setScreen(screen);
    }
    // As showFullScreen, but without asking for the keyboard: whether the window takes it is its
    // shower's choice (a window that takes no focus would only draw a warning).
    if (placement.FullScreen) {
        window.setWindowState((window.windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized)) |
                              Qt::WindowFullScreen);
    }
    window.show();
}

TPlacementWatch::TPlacementWatch(QObject* parent) : QObject(parent) {
    SettleTimer.setSingleShot(true);
    SettleTimer.setInterval(SettleMilliseconds);
    connect(&SettleTimer, &QTimer::timeout, this, [this] { SwallowErrors([&] { Judge(); }); });
}

void TPlacementWatch::Watch(QWidget& window, QScreen* screen) {
    Stop();
    Window = &window;
    Wanted = screen;
    if (screen == nullptr || window.windowHandle() == nullptr) {
        return;
    }
    ScreenChanged = connect(window.windowHandle(), &QWindow::screenChanged, this,
                            [this] { SwallowErrors([&] { SettleTimer.start(); }); });
    SettleTimer.start();
}

void TPlacementWatch::Stop() {
    SettleTimer.stop();
    disconnect(ScreenChanged);
    Window = nullptr;
    Wanted = nullptr;
}

void TPlacementWatch::Judge() {
    if (Window == nullptr || Wanted == nullptr || !Window->isVisible()) {
        return;
    }
    if (Window->screen() != Wanted) {
        emit Misplaced();
    }
}

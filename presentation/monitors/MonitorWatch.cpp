#include "MonitorWatch.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace {

// The screens there now, in their order, but for `leaving`.
QList<TMonitorInfo> ScreensBut(const QScreen* leaving) {
    QList<TMonitorInfo> monitors;
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (const QScreen* screen : screens) {
        if (screen != leaving) {
            monitors.append(TMonitorWatch::Describe(*screen));
        }
    }
    return monitors;
}

}  // namespace

TMonitorWatch::TMonitorWatch(QObject* parent) : QObject(parent) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (QScreen* screen : screens) {
        Watch(screen);
    }
    connect(qGuiApp, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
        Watch(screen);
        Report(nullptr);
    });
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, [this](QScreen* screen) { Report(screen); });
}

void TMonitorWatch::Watch(QScreen* screen) {
    connect(screen, &QScreen::geometryChanged, this, [this] { Report(nullptr); });
}

void TMonitorWatch::Report(const QScreen* leaving) {
    emit MonitorsChanged(ScreensBut(leaving));
}

QList<TMonitorInfo> TMonitorWatch::Monitors() {
    return ScreensBut(nullptr);
}

TMonitorInfo TMonitorWatch::Describe(const QScreen& screen) {
    const QRect geometry = screen.geometry();
    const qreal ratio = screen.devicePixelRatio();
    return {TMonitorIdentity(screen.name(), screen.manufacturer(), screen.model(), screen.serialNumber()),
            geometry,
            QSize(int(std::lround(geometry.width() * ratio)), int(std::lround(geometry.height() * ratio)))};
}

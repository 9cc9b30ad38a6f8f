#include "InstanceName.h"

#include <QDir>
#include <QGuiApplication>
#include <QStandardPaths>

#include <unistd.h>

namespace {

QString FileNameSafe(QString text) {
    for (QChar& c : text) {
        const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
                           c == u'.' || c == u'-' || c == u'_';
        if (!plain) {
            c = u'_';
        }
    }
    return text;
}

// "host:1.2" names display 1 of host, screen 2.
QString WithoutScreenNumber(const QString& display) {
    const qsizetype colon = display.lastIndexOf(u':');
    const qsizetype dot = display.lastIndexOf(u'.');
    return colon >= 0 && dot > colon ? display.left(dot) : display;
}

}  // namespace

QString DisplayKey(const QString& platformName, const QByteArray& x11Display,
                   const QByteArray& waylandDisplay) {
    // A platform of a desktop session is keyed by the session, whichever of its platforms the program
    // uses: a Wayland session also runs X11 programs, through XWayland, with its DISPLAY.
    const bool sessionPlatform = platformName == u"xcb" || platformName.startsWith(QLatin1String("wayland"));
    if (!sessionPlatform) {
        return FileNameSafe(platformName);
    }
    if (!waylandDisplay.isEmpty()) {
        return FileNameSafe(QStringLiteral("wayland-") + QString::fromLocal8Bit(waylandDisplay));
    }
    if (!x11Display.isEmpty()) {
        return FileNameSafe(QStringLiteral("x11-") + WithoutScreenNumber(QString::fromLocal8Bit(x11Display)));
    }
    // Qt's own defaults when the session names no display.
    return platformName == u"xcb" ? QStringLiteral("x11") : QStringLiteral("wayland-wayland-0");
}

QString InstanceSocketPath(const QString& runtimeFolder, uint userId, const QString& displayKey) {
    return QDir(runtimeFolder).filePath(QStringLiteral("orvalis-%1-%2").arg(userId).arg(displayKey));
}

QString InstanceSocketPath() {
    const QString key =
        DisplayKey(QGuiApplication::platformName(), qgetenv("DISPLAY"), qgetenv("WAYLAND_DISPLAY"));
    return InstanceSocketPath(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation),
                              static_cast<uint>(::geteuid()), key);
}

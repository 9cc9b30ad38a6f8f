#include "InstanceName.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QStandardPaths>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>

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

namespace {

// A folder that this user owns and nobody else may enter, not a link.
bool IsPrivateFolder(const QByteArray& path) {
    struct stat entry {};
    return ::lstat(path.constData(), &entry) == 0 && S_ISDIR(entry.st_mode) && entry.st_uid == ::geteuid() &&
           (entry.st_mode & 077) == 0;
}

// The longest path of a local socket the system takes (sun_path, without its terminating NUL); a folder
// leaves room for a socket's name in it, "/orvalis-1000-wayland-wayland-0" and the like.
constexpr qsizetype MaxSocketPathBytes = sizeof(sockaddr_un::sun_path) - 1;
constexpr qsizetype MaxFolderBytes = MaxSocketPathBytes - 24;

}  // namespace

QString PrivateRuntimeFolder(const QByteArray& runtimeDir, const QString& cacheHome) {
    if (runtimeDir.startsWith('/') && IsPrivateFolder(runtimeDir) && runtimeDir.size() <= MaxFolderBytes) {
        return QFile::decodeName(runtimeDir);
    }
    if (!QDir::isAbsolutePath(cacheHome)) {
        return {};
    }
    const QString base = QDir(cacheHome).filePath(QStringLiteral("Quenmark"));
    const QString folder = QDir(base).filePath(QStringLiteral("Orvalis-runtime"));
    const QByteArray native = QFile::encodeName(folder);
    if (native.size() > MaxFolderBytes) {
        return {};
    }
    QDir().mkpath(base);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
        return {};
    }
    struct stat entry {};
    if (::lstat(native.constData(), &entry) != 0 || !S_ISDIR(entry.st_mode) || entry.st_uid != ::geteuid()) {
        return {};
    }
    if ((entry.st_mode & 077) != 0 && ::chmod(native.constData(), 0700) != 0) {
        return {};
    }
    return IsPrivateFolder(native) ? folder : QString();
}

QString InstanceSocketPath() {
    const QString key =
        DisplayKey(QGuiApplication::platformName(), qgetenv("DISPLAY"), qgetenv("WAYLAND_DISPLAY"));
    const QString folder = PrivateRuntimeFolder(
        qgetenv("XDG_RUNTIME_DIR"), QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation));
    if (folder.isEmpty()) {
        return {};
    }
    const QString path = InstanceSocketPath(folder, static_cast<uint>(::geteuid()), key);
    return QFile::encodeName(path).size() <= MaxSocketPathBytes ? path : QString();
}

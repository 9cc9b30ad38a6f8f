#pragma once

#include <QByteArray>
#include <QString>

// Where the program that runs for this user and display takes hand-overs: a local socket in the
// user's private runtime folder, named after the user and the display, with its lock file beside it.

// The desktop session as part of a file name, so that there is one program per session whether it
// runs on Qt's X11 or Wayland platform: on either, the Wayland display when the session has one
// (WAYLAND_DISPLAY; an X11 program in a Wayland session runs through XWayland), else the X11 display
// (an X11 screen number is left out: ":0.0" and ":0" are one display). Other platforms (offscreen,
// ...) are keyed by their name alone. Characters other than letters, digits, '.', '-' and '_' become
// '_'.
QString DisplayKey(const QString& platformName, const QByteArray& x11Display,
                   const QByteArray& waylandDisplay);

QString InstanceSocketPath(const QString& runtimeFolder, uint userId, const QString& displayKey);

// The folder for the running program's lock and socket, which no other user may have made or may write:
// `runtimeDir` (XDG_RUNTIME_DIR) when it is an absolute path to a folder of this user's that nobody else
// may enter (not a link); else `cacheHome`/Quenmark/Orvalis-runtime, made with mode 0700 where it is
// missing, refused when it is a link or belongs to someone else, and closed to others when it is this
// user's. Empty when neither will do, or when a socket there would be too long a path for the system:
// the program then runs on its own. Never the current folder, never a name in a shared folder.
QString PrivateRuntimeFolder(const QByteArray& runtimeDir, const QString& cacheHome);

// The socket path of this process: its private runtime folder, its user and the display of the running
// QGuiApplication; empty when there is no private folder, or the path would be too long for a socket.
QString InstanceSocketPath();

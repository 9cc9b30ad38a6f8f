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

// The socket path of this process: its runtime folder, its user and the display of the running
// QGuiApplication.
QString InstanceSocketPath();

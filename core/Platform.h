#pragma once

#include <QString>

// What the windowing platform the program runs on lets it do with its windows. On X11 (and on Qt's
// offscreen platform of the tests) a window goes where its geometry says and can be made translucent;
// on Wayland a client has no global position: it can only ask for full screen on an output, and Qt's
// Wayland platform cannot set a window's opacity.
struct TPlatformTraits {
    bool PlacesWindows = true;  // a window's geometry puts it anywhere on the desktop
    bool WindowOpacity = true;  // setWindowOpacity works (elsewhere it only prints a warning)

    friend bool operator==(const TPlatformTraits&, const TPlatformTraits&) = default;
};

// The traits of the platform Qt names `platformName` (QGuiApplication::platformName(): "xcb",
// "wayland", "wayland-egl", "offscreen", ...).
TPlatformTraits PlatformTraits(const QString& platformName);
// The traits of the platform of the running application.
TPlatformTraits CurrentPlatformTraits();

#include "Platform.h"

#include <QGuiApplication>

TPlatformTraits PlatformTraits(const QString& platformName) {
    if (platformName.startsWith(QLatin1String("wayland"))) {
        return {.PlacesWindows = false, .WindowOpacity = false};
    }
    return {};
}

TPlatformTraits CurrentPlatformTraits() {
    return PlatformTraits(QGuiApplication::platformName());
}

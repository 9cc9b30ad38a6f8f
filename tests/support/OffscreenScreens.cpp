#include "OffscreenScreens.h"

#include <qpa/qplatformnativeinterface.h>
#include <QCoreApplication>
#include <QGuiApplication>

#include <stdexcept>

namespace testsupport {

namespace {

// The offscreen platform's own calls for its configuration, as its native interface hands them out.
using TSetConfiguration = void (*)(const QJsonObject&, QPlatformNativeInterface*);
using TGetConfiguration = QJsonObject (*)(QPlatformNativeInterface*);

template <class F>
F PlatformCall(const char* name) {
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
        throw std::logic_error("monitors can be changed only on the offscreen platform");
    }
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    void* call = native != nullptr ? native->nativeResourceForIntegration(name) : nullptr;
    if (call == nullptr) {
        throw std::logic_error("the offscreen platform has no configuration call");
    }
    return reinterpret_cast<F>(call);
}

}  // namespace

QJsonObject OffscreenScreen(const QString& name, int x, int y, int width, int height) {
    return {{"name", name}, {"x", x}, {"y", y}, {"width", width}, {"height", height}, {"logicalDpi", 96}};
}

QJsonArray OffscreenScreens() {
    const auto get = PlatformCall<TGetConfiguration>("configuration");
    return get(QGuiApplication::platformNativeInterface())[QLatin1String("screens")].toArray();
}

void SetOffscreenScreens(const QJsonArray& screens) {
    const auto get = PlatformCall<TGetConfiguration>("configuration");
    const auto set = PlatformCall<TSetConfiguration>("setConfiguration");
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    QJsonObject configuration = get(native);
    configuration[QLatin1String("screens")] = screens;
    set(configuration, native);
    // The platform queues its screen changes as window system events.
    QCoreApplication::processEvents();
}

void ResetOffscreenScreens(const QJsonArray& screens) {
    if (!screens.isEmpty()) {
        SetOffscreenScreens(QJsonArray{screens.first()});
    }
    SetOffscreenScreens(screens);
}

QJsonArray WithoutScreen(const QJsonArray& screens, const QString& name) {
    QJsonArray rest;
    for (const QJsonValue& screen : screens) {
        if (screen[QLatin1String("name")].toString() != name) {
            rest.append(screen);
        }
    }
    return rest;
}

}  // namespace testsupport

#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

// Monitors that come, go and change on Qt's offscreen platform while a test runs, as they do when a
// projector is plugged in or out. Only on the offscreen platform.
namespace testsupport {

// One monitor of the platform's configuration.
QJsonObject OffscreenScreen(const QString& name, int x, int y, int width, int height);

// The monitors as configured now. The platform makes the monitors of its first configuration in the
// order of their names.
QJsonArray OffscreenScreens();

// Makes `screens` the platform's monitors, told apart by name: a name no longer listed goes away, a new
// one comes (last in Qt's order), the others take their new bounds. Qt's screen signals have been
// delivered when it returns.
void SetOffscreenScreens(const QJsonArray& screens);

// Brings the monitors of `screens` back after a test changed them, in the order the platform first made
// them: all but the first go, then the others come again (the platform adds monitors in the order of
// their names).
void ResetOffscreenScreens(const QJsonArray& screens);

// The configuration without the monitor named `name`.
QJsonArray WithoutScreen(const QJsonArray& screens, const QString& name);

}  // namespace testsupport

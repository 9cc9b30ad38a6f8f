#include "SpecialFolders.h"

#include "FileUtils.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace {

QString InUserDataFolder(const QString& fileName) {
    try {
        const QString folder = UserDataFolder();
        if (fileName.isEmpty() || !QDir().mkpath(folder)) {
            return {};
        }
        return folder + fileName;
    } catch (...) {
        // Callers treat an empty path as "no file": the file operation on it fails and says so.
        return {};
    }
}

}  // namespace

QString SpecialFolderPath(int csidl) {
    if (csidl != CSIDL_LOCAL_APPDATA) {
        return {};
    }
    QString path = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    while (path.endsWith(u'/')) {
        path.chop(1);
    }
    return path;
}

QString UserDataFolder() {
    return SpecialFolderPath(CSIDL_LOCAL_APPDATA) + QStringLiteral("/Quenmark/Orvalis/");
}

QString SettingsFileNameFor(const QString& executablePath) {
    const QString name = FileNameOf(executablePath);
    const qsizetype dot = name.lastIndexOf(u'.');
    return (dot >= 0 ? name.left(dot) : name) + QStringLiteral(".ini");
}

QString SettingsFilePath() {
    // Without an application object there is no executable name and so no settings file name.
    const QString executable =
        QCoreApplication::instance() ? QCoreApplication::applicationFilePath() : QString();
    return InUserDataFolder(executable.isEmpty() ? QString() : SettingsFileNameFor(executable));
}

QString LastImageListPath() {
    return InUserDataFolder(QStringLiteral("Last image list.txt"));
}

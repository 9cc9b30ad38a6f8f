#include "FolderMemory.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QUuid>

namespace brackwell {

namespace {

QString SettingsKey(const TBrackwellGuid& id) {
    return QStringLiteral("LastFolder/") + DialogKey(id);
}

QSettings LibrarySettings() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quenmark"),
                     QStringLiteral("Brackwell"));
}

}  // namespace

QString DialogKey(const TBrackwellGuid& id) {
    const QUuid uuid(id.Data1, id.Data2, id.Data3, id.Data4[0], id.Data4[1], id.Data4[2], id.Data4[3],
                     id.Data4[4], id.Data4[5], id.Data4[6], id.Data4[7]);
    return uuid.toString(QUuid::WithoutBraces).toUpper();
}

QString StartFolder(const TBrackwellGuid& id) {
    const QString folder = LibrarySettings().value(SettingsKey(id)).toString();
    if (!folder.isEmpty() && QFileInfo(folder).isDir()) {
        return folder;
    }
    return QDir::homePath();
}

void RememberFolder(const TBrackwellGuid& id, const QString& folder) {
    if (folder.isEmpty()) {
        return;
    }
    QSettings settings = LibrarySettings();
    settings.setValue(SettingsKey(id), QDir::cleanPath(folder));
}

}  // namespace brackwell

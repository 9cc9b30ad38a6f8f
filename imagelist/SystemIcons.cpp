#include "SystemIcons.h"

#include <QApplication>
#include <QMimeType>
#include <QStyle>

namespace {

constexpr QSize SmallIconSize(16, 16);

QIcon GenericFileIcon() {
    const QIcon themed = QIcon::fromTheme(QStringLiteral("text-x-generic"));
    if (!themed.isNull() || !qobject_cast<QApplication*>(QCoreApplication::instance())) {
        return themed;
    }
    return QApplication::style()->standardIcon(QStyle::SP_FileIcon);
}

}  // namespace

TSystemIcons::TSystemIcons() {
    Icons.push_back(GenericFileIcon());
}

int TSystemIcons::IndexOf(const QString& path) {
    const QMimeType type = MimeTypes.mimeTypeForFile(path, QMimeDatabase::MatchExtension);
    const QString name = type.iconName();
    const auto known = IndexByIconName.constFind(name);
    if (known != IndexByIconName.constEnd()) {
        return *known;
    }
    QIcon icon = QIcon::fromTheme(name, QIcon::fromTheme(type.genericIconName()));
    int index = 0;
    if (!icon.isNull()) {
        Icons.push_back(icon);
        index = Count() - 1;
    }
    IndexByIconName.insert(name, index);
    return index;
}

QIcon TSystemIcons::Icon(int index) const {
    return index >= 0 && index < Count() ? Icons[index] : QIcon();
}

QPixmap TSystemIcons::SmallPixmap(int index) const {
    if (index < 0 || index >= Count()) {
        return QPixmap();
    }
    if (SmallPixmaps.size() < Icons.size()) {
        SmallPixmaps.resize(Icons.size());
    }
    QPixmap& pixmap = SmallPixmaps[index];
    if (pixmap.isNull()) {
        pixmap = Icons[index].pixmap(SmallIconSize);
    }
    return pixmap;
}

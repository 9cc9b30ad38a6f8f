#pragma once

#include <QHash>
#include <QIcon>
#include <QMimeDatabase>
#include <QPixmap>
#include <QString>

#include <vector>

// The small system icon list: one icon per distinct file type, gathered as files are added, with each
// file's index in it. Types are told by file name only (no file is opened), so that adding thousands of
// files costs no extra reads. Index 0 is the generic file icon, used for every type without an icon of
// its own.
class TSystemIcons {
public:
    TSystemIcons();

    int IndexOf(const QString& path);
    QIcon Icon(int index) const;
    // The icon drawn at the small icon size, made once per icon: painting a list of thousands of rows
    // draws it over and over.
    QPixmap SmallPixmap(int index) const;
    int Count() const { return static_cast<int>(Icons.size()); }

private:
    QMimeDatabase MimeTypes;
    QHash<QString, int> IndexByIconName;
    std::vector<QIcon> Icons;
    mutable std::vector<QPixmap> SmallPixmaps;
};

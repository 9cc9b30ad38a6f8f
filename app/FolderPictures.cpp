#include "FolderPictures.h"

#include <QDir>

#include <algorithm>

#include "ImageFilter.h"

namespace {

// The patterns of the browser's filter text: what follows its "|", separated by ";".
QStringList FilterPatterns() {
    const QString text = ImageFilterText();
    QStringList patterns;
    for (const QString& part : text.mid(text.indexOf(u'|') + 1).split(u';')) {
        const QString pattern = part.trimmed();
        if (!pattern.isEmpty() && !patterns.contains(pattern, Qt::CaseInsensitive)) {
            patterns.append(pattern);
        }
    }
    return patterns;
}

// Name order as file managers show it: letters ignoring case, a run of digits by its value (IMG_2
// before IMG_10). The locale's collation would do this too, but not in the C locale that services and
// tests run in; this order is the same everywhere.
int CompareNames(const QString& a, const QString& b) {
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a.at(i).isDigit() && b.at(j).isDigit()) {
            qsizetype endA = i;
            qsizetype endB = j;
            while (endA < a.size() && a.at(endA).isDigit()) {
                ++endA;
            }
            while (endB < b.size() && b.at(endB).isDigit()) {
                ++endB;
            }
            // Leading zeros do not change the value; then more digits is more, else digit by digit.
            QStringView digitsA = QStringView(a).mid(i, endA - i);
            QStringView digitsB = QStringView(b).mid(j, endB - j);
            while (digitsA.size() > 1 && digitsA.front() == u'0') {
                digitsA = digitsA.mid(1);
            }
            while (digitsB.size() > 1 && digitsB.front() == u'0') {
                digitsB = digitsB.mid(1);
            }
            if (digitsA.size() != digitsB.size()) {
                return digitsA.size() < digitsB.size() ? -1 : 1;
            }
            if (const int order = digitsA.compare(digitsB); order != 0) {
                return order;
            }
            i = endA;
            j = endB;
            continue;
        }
        if (const int order = QStringView(a).mid(i, 1).compare(QStringView(b).mid(j, 1), Qt::CaseInsensitive);
            order != 0) {
            return order;
        }
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size()) {
        return i < a.size() ? 1 : -1;
    }
    return a.compare(b);  // names that differ only in case or leading zeros: a fixed order all the same
}

}  // namespace

QStringList PicturesInFolder(const QString& folder) {
    const QDir dir(folder);
    // Without QDir::CaseSensitive the patterns match ignoring case (IMG_1234.JPG), as in the browser.
    QStringList names = dir.entryList(FilterPatterns(), QDir::Files | QDir::NoDotAndDotDot, QDir::Unsorted);
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return CompareNames(a, b) < 0; });
    QStringList paths;
    paths.reserve(names.size());
    for (const QString& name : names) {
        paths.append(dir.filePath(name));
    }
    return paths;
}

#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

namespace testsupport {

// Creates (or replaces) a file with the given bytes, making missing folders; returns its path.
inline QString MakeFile(const QString& path, const QByteArray& bytes = QByteArray("x")) {
    QDir().mkpath(path.left(path.lastIndexOf(QLatin1Char('/'))));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(bytes);
    }
    return path;
}

inline QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace testsupport

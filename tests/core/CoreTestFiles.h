#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstddef>

namespace coretest {

// Bytes from a literal, embedded NULs included.
template <std::size_t N>
QByteArray Bytes(const char (&literal)[N]) {
    return QByteArray(literal, qsizetype(N - 1));
}

// What a file written in UTF-16 LE with the byte-order mark holds for `text`.
inline QByteArray Utf16LeFile(const QString& text) {
    QByteArray bytes("\xFF\xFE", 2);
    for (const QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}

inline QByteArray ReadFileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool WriteFileBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

}  // namespace coretest

#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <sys/stat.h>
#include <sys/sysmacros.h>

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

// A FIFO at `path`: opening it for reading blocks until someone writes.
inline bool MakeFifo(const QString& path) {
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

// A node of the null device at `path`, in the test's own folder rather than a link to /dev: whatever a
// faulty write did to it could never touch the system's devices. Only the superuser can make one.
inline bool MakeDeviceNode(const QString& path) {
    return ::mknod(QFile::encodeName(path).constData(), S_IFCHR | 0600, makedev(1, 3)) == 0;
}

}  // namespace coretest

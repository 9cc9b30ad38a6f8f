#include "FileUtils.h"

#include "Exceptions.h"
#include "TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <sys/stat.h>

#include <algorithm>

namespace {

[[noreturn]] void RaiseWriteError(const QString& path, const QString& reason) {
    throw EFileError(QStringLiteral("Cannot write file \"%1\". %2").arg(path, reason));
}

// A backslash is an ordinary character in a file name here, so only '/' separates.
qsizetype LastSeparator(const QString& path) {
    return path.lastIndexOf(u'/');
}

}  // namespace

bool FileExists(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isFile();
}

qint64 FileSizeOf(const QString& path) {
    if (path.isEmpty()) {
        return -1;
    }
    const QByteArray native = QFile::encodeName(path);
    struct stat entry {};
    if (::stat(native.constData(), &entry) == 0) {
        return S_ISDIR(entry.st_mode) ? -1 : qint64(entry.st_size);
    }
    // The name is there but what it leads to cannot be read (a link loop, a link into a folder we
    // may not search): the file exists, its size is unknown.
    return ::lstat(native.constData(), &entry) == 0 ? 0 : -1;
}

bool CreateEmptyUnicodeFile(const QString& path) {
    if (FileExists(path)) {
        return false;
    }
    // Created exclusively, so a copy of the program that made the file a moment ago keeps it. Two
    // bytes leave no useful half-written state: an empty file reads like one holding just the mark.
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        if (FileExists(path)) {
            return false;
        }
        RaiseWriteError(path, file.errorString());
    }
    const QByteArray mark = Utf16LeByteOrderMark();
    if (file.write(mark) != mark.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.remove();
        RaiseWriteError(path, reason);
    }
    return true;
}

void WriteFileAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    // Writing in place would put the old file at risk; a folder that allows no temporary file is an
    // error like any other.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        RaiseWriteError(path, file.errorString());
    }
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        RaiseWriteError(path, reason);
    }
    if (!file.commit()) {
        RaiseWriteError(path, file.errorString());
    }
}

QString FolderOf(const QString& path) {
    return path.left(LastSeparator(path) + 1);
}

QString FileNameOf(const QString& path) {
    return path.mid(LastSeparator(path) + 1);
}

#include "FileUtils.h"

#include "Exceptions.h"
#include "TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <utility>

namespace {

[[noreturn]] void RaiseWriteError(const QString& path, const QString& reason) {
    throw EFileError(QStringLiteral("Cannot write file \"%1\". %2").arg(path, reason));
}

[[noreturn]] void RaiseReadError(const QString& path, const QString& reason) {
    throw EFileError(QStringLiteral("Cannot read file \"%1\". %2").arg(path, reason));
}

QString SystemErrorText(int error) {
    return qt_error_string(error);
}

QString NotRegularText() {
    return QStringLiteral("It is not a regular file.");
}

QString SizeText(qint64 bytes) {
    constexpr qint64 MiB = qint64(1) << 20;
    return bytes % MiB == 0 && bytes > 0 ? QStringLiteral("%1 MiB").arg(bytes / MiB)
                                         : QStringLiteral("%1 bytes").arg(bytes);
}

// An open file descriptor, closed when it goes out of scope unless it was closed on purpose (whose
// result a writer must check).
class TFileDescriptor {
public:
    explicit TFileDescriptor(int fd = -1) : Fd(fd) {}
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;
    TFileDescriptor(TFileDescriptor&& other) noexcept : Fd(std::exchange(other.Fd, -1)) {}
    ~TFileDescriptor() {
        if (Fd >= 0) {
            ::close(Fd);
        }
    }
    int Get() const { return Fd; }
    bool IsOpen() const { return Fd >= 0; }
    // Gives the descriptor up to a new owner.
    int Release() { return std::exchange(Fd, -1); }
    void Reset(int fd) { Fd = fd; }
    // Closes and tells whether the close succeeded; on some file systems a close is where a failed
    // write first shows.
    bool Close() {
        const int fd = Fd;
        Fd = -1;
        return ::close(fd) == 0;
    }

private:
    int Fd;
};

// The temporary file of one atomic write: created beside the file it will replace, removed again
// unless it was renamed into place.
class TTemporaryFile {
public:
    explicit TTemporaryFile(const QString& target) {
        // Created exclusively with an unguessable name, with the mode a new file gets from the umask.
        for (int attempt = 0; attempt < 100 && !File.IsOpen(); ++attempt) {
            Name = QFile::encodeName(target) + '.' +
                   QByteArray::number(QRandomGenerator::global()->generate64(), 36);
            File.Reset(::open(Name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
            Error = File.IsOpen() ? 0 : errno;
            if (Error != 0 && Error != EEXIST) {
                break;
            }
        }
    }
    TTemporaryFile(const TTemporaryFile&) = delete;
    TTemporaryFile& operator=(const TTemporaryFile&) = delete;
    ~TTemporaryFile() {
        if (!Renamed) {
            ::unlink(Name.constData());
        }
    }

    TFileDescriptor File;
    QByteArray Name;
    int Error = 0;  // why the file could not be created
    bool Renamed = false;
};

// Follows a chain of links to the file a write through `path` reaches, as a write in place would; a
// dangling link leads to the name it points at.
QString WriteTarget(const QString& path) {
    constexpr int MaxLinks = 40;
    QFileInfo info(path);
    for (int depth = 0; depth < MaxLinks && info.isSymLink(); ++depth) {
        info.setFile(info.symLinkTarget());
    }
    return info.isSymLink() ? path : info.filePath();
}

// Writes every byte, going on after a short write; 0 or the error number of the write that failed.
int WriteAll(int fd, const QByteArray& bytes) {
    const char* data = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        constexpr qint64 Chunk = qint64(1) << 30;
        const ssize_t written = ::write(fd, data, size_t(std::min(left, Chunk)));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (written == 0) {
            return ENOSPC;
        }
        data += written;
        left -= written;
    }
    return 0;
}

// The new file takes the old one's owner and permission bits, so that replacing a file does not
// change who may read it. Where that is not allowed (only the superuser gives a file away) the
// defaults stay.
void TakeOverPermissions(int fd, const struct stat& old) {
    struct stat created {};
    if (::fstat(fd, &created) != 0) {
        return;
    }
    if (created.st_uid != old.st_uid || created.st_gid != old.st_gid) {
        [[maybe_unused]] const int owned = ::fchown(fd, old.st_uid, old.st_gid);
    }
    [[maybe_unused]] const int moded = ::fchmod(fd, old.st_mode & 0777);
}

// Makes the rename itself durable. Not every file system can sync a folder; the file is in place
// either way, so a failure here is not an error.
void SyncFolderOf(const QString& target) {
    const QString folder = FolderOf(target);
    const QByteArray native = folder.isEmpty() ? QByteArray(".") : QFile::encodeName(folder);
    const TFileDescriptor directory(::open(native.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.IsOpen()) {
        ::fsync(directory.Get());
    }
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
    // Created exclusively, so a copy of the program that made the file a moment ago keeps it, and a
    // FIFO or a device in its place is left alone (and never opened). Two bytes leave no useful
    // half-written state: an empty file reads like one holding just the mark.
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        struct stat entry {};
        if (::lstat(QFile::encodeName(path).constData(), &entry) == 0) {
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

namespace {

// The regular file at `path`, opened for reading. Without it, `failure` says why (empty when nothing
// exists there).
struct TOpenedFile {
    std::optional<TFileDescriptor> File;
    QString Failure;
};

TOpenedFile OpenRegular(const QString& path, struct stat& entry) {
    const QByteArray native = QFile::encodeName(path);
    if (path.isEmpty() || ::stat(native.constData(), &entry) != 0) {
        if (path.isEmpty() || errno == ENOENT || errno == ENOTDIR) {
            return {};
        }
        return {std::nullopt, SystemErrorText(errno)};
    }
    if (!S_ISREG(entry.st_mode)) {
        return {std::nullopt, NotRegularText()};
    }
    // Not blocking, in case a FIFO took the file's place since it was looked at; what was opened is
    // checked again.
    TFileDescriptor file(::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!file.IsOpen()) {
        if (errno == ENOENT) {
            return {};
        }
        return {std::nullopt, SystemErrorText(errno)};
    }
    if (::fstat(file.Get(), &entry) != 0 || !S_ISREG(entry.st_mode)) {
        return {std::nullopt, NotRegularText()};
    }
    return {std::move(file), QString()};
}

// The same, raising EFileError for anything but a regular file or nothing.
std::optional<TFileDescriptor> OpenRegularFile(const QString& path, struct stat& entry) {
    TOpenedFile opened = OpenRegular(path, entry);
    if (!opened.Failure.isEmpty()) {
        RaiseReadError(path, opened.Failure);
    }
    return std::move(opened.File);
}

// Appends what `file` holds to `bytes` until its end, or until `bytes` would hold more than `maxBytes`:
// then `full` is called (it may raise; reading stops when it returns).
void ReadUpTo(const QString& path, const TFileDescriptor& file, QByteArray& bytes, qint64 maxBytes,
              const std::function<void()>& full) {
    char buffer[65536];
    for (;;) {
        const qint64 room = maxBytes - bytes.size();
        const ssize_t count = ::read(file.Get(), buffer, size_t(std::min<qint64>(sizeof buffer, room + 1)));
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            RaiseReadError(path, SystemErrorText(errno));
        }
        if (count == 0) {
            return;
        }
        if (count > room) {
            bytes.append(buffer, qsizetype(room));
            full();
            return;
        }
        bytes.append(buffer, count);
    }
}

}  // namespace

std::optional<QByteArray> ReadRegularFile(const QString& path, qint64 maxBytes, TReadExtent extent) {
    struct stat entry {};
    const std::optional<TFileDescriptor> file = OpenRegularFile(path, entry);
    if (!file) {
        return std::nullopt;
    }
    const auto tooLarge = [&] {
        RaiseReadError(path, QStringLiteral("It is larger than %1.").arg(SizeText(maxBytes)));
    };
    if (entry.st_size > maxBytes) {
        tooLarge();
    }
    QByteArray bytes;
    bytes.reserve(qsizetype(entry.st_size));
    if (extent == TReadExtent::StatedSize) {
        if (entry.st_size > 0) {
            ReadUpTo(path, *file, bytes, entry.st_size, [] {});
        }
        return bytes;
    }
    // The file may still grow while it is read (or be one of the system's whose size says nothing):
    // reading stops one byte past the limit.
    ReadUpTo(path, *file, bytes, maxBytes, tooLarge);
    return bytes;
}

bool OpenRegularFile(QFile& file, const QString& path, QString& reason) {
    struct stat entry {};
    TOpenedFile opened = OpenRegular(path, entry);
    if (!opened.File) {
        reason = opened.Failure.isEmpty() ? SystemErrorText(ENOENT) : opened.Failure;
        return false;
    }
    const int fd = opened.File->Release();
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        reason = file.errorString();
        return false;
    }
    return true;
}

QByteArray ReadRegularFileHead(const QString& path, qint64 count) {
    struct stat entry {};
    const std::optional<TFileDescriptor> file = OpenRegularFile(path, entry);
    if (!file) {
        RaiseReadError(path, SystemErrorText(ENOENT));
    }
    QByteArray bytes;
    if (const qint64 stated = std::min<qint64>(count, entry.st_size); stated > 0) {
        ReadUpTo(path, *file, bytes, stated, [] {});
    }
    return bytes;
}

void WriteFileAtomically(const QString& path, const QByteArray& bytes) {
    const QString target = WriteTarget(path);
    const QByteArray nativeTarget = QFile::encodeName(target);
    struct stat old {};
    const bool replacing = ::stat(nativeTarget.constData(), &old) == 0;
    if (replacing && !S_ISREG(old.st_mode)) {
        RaiseWriteError(path, NotRegularText());
    }

    // Every step is checked: a write into a full file system may fail only at the sync or the close.
    TTemporaryFile temporary(target);
    if (!temporary.File.IsOpen()) {
        RaiseWriteError(path, SystemErrorText(temporary.Error));
    }
    if (replacing) {
        TakeOverPermissions(temporary.File.Get(), old);
    }
    if (const int error = WriteAll(temporary.File.Get(), bytes); error != 0) {
        RaiseWriteError(path, SystemErrorText(error));
    }
    if (::fsync(temporary.File.Get()) != 0 || !temporary.File.Close()) {
        RaiseWriteError(path, SystemErrorText(errno));
    }
    if (::rename(temporary.Name.constData(), nativeTarget.constData()) != 0) {
        RaiseWriteError(path, SystemErrorText(errno));
    }
    temporary.Renamed = true;
    SyncFolderOf(target);
}

QString FolderOf(const QString& path) {
    return path.left(LastSeparator(path) + 1);
}

QString FileNameOf(const QString& path) {
    return path.mid(LastSeparator(path) + 1);
}

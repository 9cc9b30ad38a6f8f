#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

class QFile;

// True when a regular file (not a folder) exists at `path`.
bool FileExists(const QString& path);

// -1 when no file exists at `path`; 0 when it exists but its size cannot be read; otherwise the
// file's full 64-bit size in bytes. Never raises.
qint64 FileSizeOf(const QString& path);

// When nothing exists at `path`, writes a file holding only the UTF-16 LE byte-order mark (FF FE) and
// returns true; when anything exists there (a file, or a FIFO or device in its place), touches nothing
// and returns false. Raises EFileError when the file cannot be written.
bool CreateEmptyUnicodeFile(const QString& path);

// The contents of the regular file at `path`; nullopt when nothing exists there. Anything else in its
// place (a folder, a FIFO, a device) is never opened, so that reading can neither block nor run on
// without end. Raises EFileError "Cannot read file ..." for such a thing, for a file larger than
// `maxBytes`, and for a file that cannot be read.
// With TReadExtent::StatedSize, reading also stops at the size the file had when it was opened: a file
// of the system's that says it is empty (/proc/self/pagemap) and runs on without end reads as empty.
enum class TReadExtent { UntilEnd, StatedSize };
std::optional<QByteArray> ReadRegularFile(const QString& path, qint64 maxBytes,
                                          TReadExtent extent = TReadExtent::UntilEnd);
// The first `count` bytes of the regular file at `path` (all of it when it is shorter, as
// TReadExtent::StatedSize reads), refusing what ReadRegularFile refuses; raises EFileError also when
// nothing is there.
QByteArray ReadRegularFileHead(const QString& path, qint64 count);
// Opens the regular file at `path` for reading in `file` (which closes it), refusing what
// ReadRegularFile refuses (a FIFO is never opened, so this never blocks); false with the system's
// reason in `reason` when it cannot.
bool OpenRegularFile(QFile& file, const QString& path, QString& reason);

// Writes `bytes` to a temporary file in the folder of `path`, forces it to the disk and replaces
// `path` with it in one rename, so that a crash or a full disk leaves either the old file or the new
// one, never a part of either. A link at `path` is followed: the file it leads to is replaced and the
// link stays. The new file keeps the old one's permissions. Raises EFileError when any step fails,
// and when something other than a regular file stands at `path`; any file there then stays as it was
// and no temporary file is left behind.
void WriteFileAtomically(const QString& path, const QByteArray& bytes);

// The folder part of `path` up to and including its last separator '/'; empty when it has
// none. The file-name part is what follows.
QString FolderOf(const QString& path);
QString FileNameOf(const QString& path);

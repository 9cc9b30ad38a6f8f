#pragma once

#include <QByteArray>
#include <QString>

// True when a regular file (not a folder) exists at `path`.
bool FileExists(const QString& path);

// -1 when no file exists at `path`; 0 when it exists but its size cannot be read; otherwise the
// file's full 64-bit size in bytes. Never raises.
qint64 FileSizeOf(const QString& path);

// When no file exists at `path`, writes a file holding only the UTF-16 LE byte-order mark (FF FE) and
// returns true; when one exists, touches nothing and returns false. Raises EFileError when the file
// cannot be written.
bool CreateEmptyUnicodeFile(const QString& path);

// Writes `bytes` to a temporary file in the folder of `path` and replaces `path` with it in one
// rename. On failure raises EFileError and leaves any file at `path` as it was.
void WriteFileAtomically(const QString& path, const QByteArray& bytes);

// The folder part of `path` up to and including its last separator '/'; empty when it has
// none. The file-name part is what follows.
QString FolderOf(const QString& path);
QString FileNameOf(const QString& path);

#pragma once

#include <QString>
#include <QStringList>

// Reading stops with an error beyond this size: a list of this size already names about half a
// million pictures.
inline constexpr qint64 MaxImageListFileSize = qint64(64) << 20;

// Writes an image list file: UTF-16 LE with a byte-order mark, one file name a line, each line ended
// by CR LF. The file is replaced in one rename; on failure EFileError is raised and an existing file
// stays as it was.
void WriteImageListFile(const QString& path, const QStringList& fileNames);

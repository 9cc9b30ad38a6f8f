#pragma once

#include <QString>
#include <QStringList>

// Image list files: UTF-16 LE with a byte-order mark, one file name a line, each line ended by CR LF.

// Reading stops with an error beyond this size: a list of this size, as the program writes it, names
// about two million pictures, a whole archive's worth with room to spare.
inline constexpr qint64 MaxImageListFileSize = qint64(256) << 20;

// A file name can be a line of an image list file only when it holds no line break (CR or LF), which
// would split it into two lines, and no NUL, which ends the text. Linux allows both CR and LF in names.
bool FitsInImageListFile(const QString& fileName);

// Writes the names that fit into a list file, in their order, and returns those it left out, in theirs.
// The file is replaced in one rename; on failure EFileError is raised and an existing file stays as it
// was.
QStringList WriteImageListFile(const QString& path, const QStringList& fileNames);

#include "ImageListFile.h"

#include "FileUtils.h"
#include "TextFile.h"

bool FitsInImageListFile(const QString& fileName) {
    return !fileName.contains(u'\r') && !fileName.contains(u'\n') && !fileName.contains(QChar(u'\0'));
}

QStringList WriteImageListFile(const QString& path, const QStringList& fileNames) {
    QStringList lines;
    QStringList leftOut;
    lines.reserve(fileNames.size());
    for (const QString& name : fileNames) {
        (FitsInImageListFile(name) ? lines : leftOut).append(name);
    }
    WriteFileAtomically(path, EncodeUtf16LeLines(lines));
    return leftOut;
}

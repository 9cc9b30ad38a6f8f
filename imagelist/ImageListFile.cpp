#include "ImageListFile.h"

#include "FileUtils.h"
#include "TextFile.h"

void WriteImageListFile(const QString& path, const QStringList& fileNames) {
    WriteFileAtomically(path, EncodeUtf16LeLines(fileNames));
}

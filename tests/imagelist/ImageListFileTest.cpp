#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "FileMaker.h"
#include "ImageListFile.h"

namespace {

TEST(ImageListFileTest, WritesUtf16WithByteOrderMarkAndCrLfAfterEveryLine) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("list.txt"));
    WriteImageListFile(path, {QStringLiteral("C:\\a.jpg"), QStringLiteral("/b/\u00e9.jpg")});

    QByteArray expected("\xFF\xFE", 2);
    for (const QString& line : {QStringLiteral("C:\\a.jpg\r\n"), QStringLiteral("/b/\u00e9.jpg\r\n")}) {
        for (const QChar c : line) {
            expected.append(static_cast<char>(c.unicode() & 0xFF));
            expected.append(static_cast<char>(c.unicode() >> 8));
        }
    }
    EXPECT_EQ(testsupport::ReadBytes(path), expected);

    WriteImageListFile(path, {});
    EXPECT_EQ(testsupport::ReadBytes(path), QByteArray("\xFF\xFE", 2));
}

}  // namespace

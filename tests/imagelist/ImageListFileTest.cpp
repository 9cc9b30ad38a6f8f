#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "AddingLoops.h"
#include "FileMaker.h"
#include "ImageListFile.h"
#include "SaveImageList.h"

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

// Linux allows CR and LF in a file name; such a name would come back as two bogus lines.
TEST(ImageListFileTest, LeavesOutNamesThatCannotBeALine) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("list.txt"));
    const QString a = QStringLiteral("/p/a.jpg");
    const QString b = QStringLiteral("/p/b.jpg");
    const QStringList odd = {QStringLiteral("/p/two\nlines.jpg"), QStringLiteral("/p/cr\r.jpg"),
                             QStringLiteral("/p/both\r\n.jpg"), QStringLiteral("/p/nul\0.jpg")};
    for (const QString& name : odd) {
        EXPECT_FALSE(FitsInImageListFile(name)) << name.toStdString();
    }
    EXPECT_TRUE(FitsInImageListFile(a));

    EXPECT_EQ(WriteImageListFile(path, {odd[0], a, odd[1], odd[2], b, odd[3]}), odd);
    EXPECT_EQ(ReadImageListLines(path), (QStringList{a, b}));
    EXPECT_TRUE(WriteImageListFile(path, {a, b}).isEmpty());
}

TEST(ImageListFileTest, MessageNamesTheEntriesLeftOut) {
    EXPECT_EQ(LeftOutEntriesMessage({QStringLiteral("/p/two\nlines.jpg")}),
              QStringLiteral("This entry was left out of the image list file, because a name with a line "
                             "break cannot be stored in it:\n\n/p/two\u21B5lines.jpg"));

    QStringList many;
    for (int i = 0; i < 25; ++i) {
        many.append(QStringLiteral("/p/%1\r\n.jpg").arg(i));
    }
    const QStringList lines = LeftOutEntriesMessage(many).split(u'\n');
    EXPECT_TRUE(lines.first().startsWith(QStringLiteral("These 25 entries were left out")))
        << lines.first().toStdString();
    EXPECT_EQ(lines[2], QStringLiteral("/p/0\u21B5.jpg"));
    EXPECT_EQ(lines[21], QStringLiteral("/p/19\u21B5.jpg"));
    EXPECT_EQ(lines.last(), QStringLiteral("... and 5 more."));
    EXPECT_EQ(lines.size(), 23);
}

}  // namespace

#include <gtest/gtest.h>

#include <climits>

#include <QTemporaryDir>

#include "AddingLoops.h"
#include "Exceptions.h"
#include "FileMaker.h"
#include "ImageList.h"
#include "ImageListFakes.h"
#include "ImageListFile.h"
#include "ProgressWindow.h"

#include <sys/stat.h>

namespace {

using testsupport::MakeFile;

using testsupport::TPlaceholderHooks;
using testsupport::TRecordingProgress;

QByteArray Utf16(const QString& text, bool bigEndian) {
    QByteArray bytes = bigEndian ? QByteArray("\xFE\xFF", 2) : QByteArray("\xFF\xFE", 2);
    for (const QChar c : text) {
        const char high = static_cast<char>(c.unicode() >> 8);
        const char low = static_cast<char>(c.unicode() & 0xFF);
        bytes.append(bigEndian ? high : low).append(bigEndian ? low : high);
    }
    return bytes;
}

struct TEncodingCase {
    const char* Name;
    QByteArray Bytes;
};

class ListFileEncodingTest : public ::testing::TestWithParam<TEncodingCase> {};

TEST_P(ListFileEncodingTest, ReadsTheSameLines) {
    QTemporaryDir folder;
    const QString path = MakeFile(folder.filePath(QStringLiteral("list.txt")), GetParam().Bytes);
    EXPECT_EQ(ReadImageListLines(path),
              (QStringList{QStringLiteral("/p/caf\u00e9.jpg"), QStringLiteral("/p/b.jpg")}));
}

INSTANTIATE_TEST_SUITE_P(
    Table, ListFileEncodingTest,
    ::testing::Values(
        TEncodingCase{"Utf8WithMark", QByteArray("\xEF\xBB\xBF/p/caf\xC3\xA9.jpg\r\n/p/b.jpg\r\n")},
        TEncodingCase{"Windows1252", QByteArray("/p/caf\xE9.jpg\n/p/b.jpg\n")},
        TEncodingCase{"Utf16LittleEndian", Utf16(QStringLiteral("/p/caf\u00e9.jpg\r\n/p/b.jpg\r\n"), false)},
        TEncodingCase{"Utf16BigEndian", Utf16(QStringLiteral("/p/caf\u00e9.jpg\r\n/p/b.jpg"), true)},
        TEncodingCase{"NoFinalBreakLoneCr", QByteArray("/p/caf\xC3\xA9.jpg\r/p/b.jpg")}),
    [](const auto& info) { return std::string(info.param.Name); });

class AddingLoopsTest : public ::testing::Test {
protected:
    QString Picture(const char* name) { return MakeFile(Folder.filePath(QLatin1String(name))); }
    QString ListFile(const QStringList& lines) {
        return MakeFile(Folder.filePath(QStringLiteral("list.txt")),
                        (lines.join(QStringLiteral("\r\n"))).toUtf8());
    }

    QTemporaryDir Folder;
    TPlaceholderHooks Hooks;
    TImageList List{Hooks};
    TRecordingProgress Progress;
};

TEST_F(AddingLoopsTest, ListFileAddsTheFilesThatExistInFileOrder) {
    const QString a = Picture("a.jpg");
    const QString c = Picture("c.jpg");
    const QString e = Picture("e.jpg");
    const QString gone = Folder.filePath(QStringLiteral("gone.jpg"));
    ReadImageListFile(ListFile({a, gone, c, QString(), e, gone}), List, Progress);
    EXPECT_EQ(List.FileNames(), (QStringList{a, c, e}));
    EXPECT_EQ(Progress.Maximums, QList<int>{5});
    EXPECT_EQ(Progress.Shown.size(), 6);
    EXPECT_EQ(Progress.Ended, 1);

    // A one-line file shows progress too.
    TRecordingProgress single;
    ReadImageListFile(ListFile({a}), List, single);
    EXPECT_EQ(single.Maximums, QList<int>{0});
}

// A line longer than any path (60 MiB, or just past the system's limit) names no file: it is passed over
// without being shown, where laying it out in the progress window took more than a minute.
TEST_F(AddingLoopsTest, LinesLongerThanAnyPathAreNeitherShownNorAdded) {
    const QString a = Picture("a.jpg");
    const QString b = Picture("b.jpg");
    const QString huge = QString(60 << 20, u'x');
    const QString justTooLong = Folder.path() + u'/' + QString(PATH_MAX, u'y');
    ReadImageListFile(ListFile({a, huge, justTooLong, b}), List, Progress);
    EXPECT_EQ(List.FileNames(), (QStringList{a, b}));
    EXPECT_EQ(Progress.Shown, (QStringList{QStringLiteral("a.jpg"), QStringLiteral("b.jpg")}));
}

TEST_F(AddingLoopsTest, CancelWhileReadingStopsBeforeTheShownFile) {
    const QStringList files = {Picture("a.jpg"), Picture("b.jpg"), Picture("c.jpg"), Picture("d.jpg")};
    Progress.CancelAt = QStringLiteral("c.jpg");
    ReadImageListFile(ListFile(files), List, Progress);
    EXPECT_EQ(List.FileNames(), files.mid(0, 2));
    EXPECT_EQ(Progress.Ended, 1);
    EXPECT_TRUE(CancelRequested);
}

TEST_F(AddingLoopsTest, BrowserBatchAddsBeforeShowingAndSkipsProgressForOneFile) {
    const QStringList files = {Picture("a.jpg"), Picture("b.jpg"), Picture("c.jpg"), Picture("d.jpg")};
    Progress.CancelAt = QStringLiteral("c.jpg");
    AddChosenFiles(files, List, Progress);
    EXPECT_EQ(List.FileNames(), files.mid(0, 3));
    EXPECT_EQ(Progress.Maximums, QList<int>{3});

    TRecordingProgress single;
    AddChosenFiles({files[3]}, List, single);
    EXPECT_TRUE(single.Maximums.isEmpty());
    EXPECT_TRUE(single.Shown.isEmpty());
    EXPECT_EQ(List.Count(), 4);
    EXPECT_FALSE(CancelRequested);
}

TEST_F(AddingLoopsTest, BadListFilesAddNothingAndDoNotFail) {
    Picture("a.jpg");
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i) {
        garbage.append(static_cast<char>((i * 7919) % 256));
    }
    const QByteArray longLine(10 * 1024 * 1024, 'x');
    for (const QByteArray& bytes : {garbage, longLine, QByteArray("\xC3(\xA0\xA1\n"), QByteArray()}) {
        ReadImageListFile(MakeFile(Folder.filePath(QStringLiteral("bad.txt")), bytes), List, Progress);
    }
    ReadImageListFile(Folder.path(), List, Progress);  // a folder
    ReadImageListFile(Folder.filePath(QStringLiteral("missing.txt")), List, Progress);
    const QString fifo = Folder.filePath(QStringLiteral("fifo.txt"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ReadImageListFile(fifo, List, Progress);  // never opened, so it cannot block
    EXPECT_EQ(List.Count(), 0);
}

// A list file beyond any list's size is not read whole into memory: it is an error, and nothing is
// added.
TEST_F(AddingLoopsTest, ListFileLargerThanAnyListIsAnError) {
    const QString a = Picture("a.jpg");
    const QString path =
        MakeFile(Folder.filePath(QStringLiteral("huge.txt")), (a + QStringLiteral("\n")).toUtf8());
    QFile file(path);
    ASSERT_TRUE(file.resize(MaxImageListFileSize + 1));  // sparse: no disk space is used
    QString message;
    try {
        ReadImageListFile(path, List, Progress);
    } catch (const EFileError& error) {
        message = error.Message;
    }
    EXPECT_EQ(message, QStringLiteral("Cannot read file \"%1\". It is larger than 256 MiB.").arg(path));
    EXPECT_EQ(List.Count(), 0);
}

}  // namespace

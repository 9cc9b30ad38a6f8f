#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <vector>

#include "FileMaker.h"
#include "FolderPictures.h"
#include "ImageList.h"
#include "ImageListFakes.h"
#include "ImageListFile.h"
#include "OpenInImageList.h"
#include "ProgressWindow.h"

namespace {

using testsupport::MakeFile;

// Pictures of a folder: the browser's patterns in any case, nothing hidden, nothing below, in the
// order a file manager shows them.
TEST(FolderPicturesTest, ThePicturesDirectlyInAFolderInNameOrder) {
    QTemporaryDir folder;
    for (const char* name :
         {"IMG_10.JPG", "IMG_2.jpg", "IMG_007.jpg", "a.png", "notes.txt", ".hidden.jpg", "below/c.jpg",
          "scan.jp2", "Zeta.Tif", "README", "movie.mp4", "B.gif", "sent.WEBP"}) {
        MakeFile(folder.filePath(QString::fromUtf8(name)));
    }
    QDir().mkpath(folder.filePath(QStringLiteral("folder.jpg")));  // a folder with a picture's name
    QStringList expected;
    for (const char* name :
         {"a.png", "B.gif", "IMG_2.jpg", "IMG_007.jpg", "IMG_10.JPG", "scan.jp2", "sent.WEBP", "Zeta.Tif"}) {
        expected.append(folder.filePath(QString::fromUtf8(name)));
    }
    EXPECT_EQ(PicturesInFolder(folder.path()), expected);
    EXPECT_TRUE(PicturesInFolder(folder.filePath(QStringLiteral("missing"))).isEmpty());
}

using testsupport::TPlaceholderHooks;
using testsupport::TRecordingProgress;

class OpenInImageListTest : public ::testing::Test {
protected:
    QString Path(const QString& name) const { return Folder.filePath(name); }
    QString Picture(const QString& name) { return MakeFile(Path(name)); }
    QStringList Names() const {
        QStringList names;
        for (const QString& path : List.FileNames()) {
            names.append(QDir(Folder.path()).relativeFilePath(path));
        }
        return names;
    }
    void Open(const TOpenRequests& requests) {
        OpenInImageList(requests, List, Progress, [this] {
            ++Questions;
            if (AnswerYes) {
                List.Clear();
            }
        });
    }

    QTemporaryDir Folder;
    TPlaceholderHooks Hooks;
    TImageList List{Hooks};
    TRecordingProgress Progress;
    int Questions = 0;
    bool AnswerYes = true;
};

TEST_F(OpenInImageListTest, PicturesFoldersAndListFilesJoinInTheirOrder) {
    const QString a = Picture(QStringLiteral("a.jpg"));
    Picture(QStringLiteral("trip/x2.jpg"));
    Picture(QStringLiteral("trip/x10.jpg"));
    Picture(QStringLiteral("trip/notes.txt"));
    const QString l1 = Picture(QStringLiteral("lists/l1.png"));
    const QString list = Path(QStringLiteral("lists/show.txt"));
    WriteImageListFile(list, {l1, Path(QStringLiteral("lists/gone.jpg")), a});
    const QString b = Picture(QStringLiteral("b.bmp"));

    Open({{TOpenKind::Picture, a},
          {TOpenKind::Folder, Path(QStringLiteral("trip"))},
          {TOpenKind::ImageListFile, list},
          {TOpenKind::Picture, b}});

    EXPECT_EQ(Names(),
              QStringList({"a.jpg", "trip/x2.jpg", "trip/x10.jpg", "lists/l1.png", "a.jpg", "b.bmp"}));
    // One progress run for the picture and the folder together, one for the list file; the single
    // picture after it shows none, as one file chosen in the browser shows none.
    EXPECT_EQ(Progress.Maximums, QList<int>({2, 2}));
    EXPECT_EQ(Questions, 0);  // the list was empty
}

TEST_F(OpenInImageListTest, APictureThatIsGoneByNowIsSkipped) {
    const QString a = Picture(QStringLiteral("a.jpg"));
    Open({{TOpenKind::Picture, Path(QStringLiteral("gone.jpg"))}, {TOpenKind::Picture, a}});
    EXPECT_EQ(Names(), QStringList({"a.jpg"}));
}

// "Clear the existing image list?" comes once, before anything is added, and only when a list file is
// loaded into a list that holds entries.
TEST_F(OpenInImageListTest, TheClearQuestionComesOnlyForListFilesOverAnExistingList) {
    const QString old = Picture(QStringLiteral("old.jpg"));
    const QString a = Picture(QStringLiteral("a.jpg"));
    const QString list = Path(QStringLiteral("show.txt"));
    WriteImageListFile(list, {a});
    struct TCase {
        const char* Name;
        bool ListHoldsEntries;
        TOpenRequests Requests;
        bool Answer;
        int Questions;
        QStringList Names;
    };
    const std::vector<TCase> cases = {
        {"empty list", false, {{TOpenKind::ImageListFile, list}}, true, 0, {"a.jpg"}},
        {"pictures only", true, {{TOpenKind::Picture, a}}, true, 0, {"old.jpg", "a.jpg"}},
        {"yes",
         true,
         {{TOpenKind::Picture, a}, {TOpenKind::ImageListFile, list}},
         true,
         1,
         {"a.jpg", "a.jpg"}},
        {"no", true, {{TOpenKind::ImageListFile, list}}, false, 1, {"old.jpg", "a.jpg"}},
        {"two list files",
         true,
         {{TOpenKind::ImageListFile, list}, {TOpenKind::ImageListFile, list}},
         true,
         1,
         {"a.jpg", "a.jpg"}},
    };
    for (const TCase& c : cases) {
        List.Clear();
        if (c.ListHoldsEntries) {
            List.AddImageFile(old);
        }
        Questions = 0;
        AnswerYes = c.Answer;
        Open(c.Requests);
        EXPECT_EQ(Questions, c.Questions) << c.Name;
        EXPECT_EQ(Names(), c.Names) << c.Name;
    }
}

}  // namespace

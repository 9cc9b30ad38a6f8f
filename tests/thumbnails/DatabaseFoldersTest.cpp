#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <memory>

#include "FileMaker.h"
#include "ImageList.h"
#include "TagBytes.h"
#include "ThumbDatabase.h"

namespace {

using testsupport::MakeFile;

// The main window's side of adding files, as it stands: the one database, created on first need, and
// the database thumbnail of each added file (or -1 when there is none).
class TDatabaseHooks : public TImageListHooks {
public:
    void OpenThumbDatabase(const QString& databasePath) override {
        ::OpenThumbDatabase(Database, databasePath);
        ++Opens;
    }
    qint32 AcquireThumbnail(const QString& path) override {
        QImage bitmap;
        return DatabaseThumbnail(path, bitmap, Database.get()) ? bitmap.width() : -1;
    }
    std::unique_ptr<TThumbDatabase> Database;
    int Opens = 0;
};

class DatabaseFoldersTest : public ::testing::Test {
protected:
    // A folder whose database holds one entry "pic.jpg" of 100 bytes with a thumbnail `width` wide.
    void MakeFolder(const QString& folder, int width) {
        MakeFile(Folder.filePath(folder + QStringLiteral("/pic.jpg")), QByteArray(100, 'p'));
        MakeFile(Folder.filePath(folder + QStringLiteral("/Thumbs Brackwell.db")),
                 tagbytes::DatabaseBytes({"pic.jpg", "100", "0", "0"},
                                         {tagbytes::Frame3("THUM", tagbytes::Jpeg(width, 8, Qt::gray))}));
    }
    QString Pic(const QString& folder) { return Folder.filePath(folder + QStringLiteral("/pic.jpg")); }
    qint32 ThumbnailOfLastEntry() { return List.Model().Record(List.Count() - 1).ThumbnailIndex; }

    QTemporaryDir Folder;
    TDatabaseHooks Hooks;
    TImageList List{Hooks};
};

TEST_F(DatabaseFoldersTest, EachChangeOfFolderOpensThatFoldersDatabase) {
    MakeFolder(QStringLiteral("A"), 10);
    MakeFolder(QStringLiteral("B"), 20);
    MakeFile(Folder.filePath(QStringLiteral("C/pic.jpg")), QByteArray(100, 'p'));  // no database here

    const struct {
        const char* Folder;
        int Opens;
        qint32 Thumbnail;  // the width of the thumbnail found
    } steps[] = {{"A", 1, 10}, {"B", 2, 20}, {"A", 3, 10}, {"C", 3, 10}};
    for (const auto& step : steps) {
        List.AddImageFile(Pic(QLatin1String(step.Folder)));
        EXPECT_EQ(Hooks.Opens, step.Opens) << step.Folder;
        EXPECT_EQ(ThumbnailOfLastEntry(), step.Thumbnail) << step.Folder;
    }
}

TEST_F(DatabaseFoldersTest, TenFilesOfOneFolderOpenItsDatabaseOnce) {
    EXPECT_EQ(Hooks.Database, nullptr);  // no object before the first folder with a database
    MakeFolder(QStringLiteral("A"), 10);
    for (int i = 0; i < 10; ++i) {
        List.AddImageFile(Pic(QStringLiteral("A")));
    }
    EXPECT_EQ(Hooks.Opens, 1);
    EXPECT_EQ(ThumbnailOfLastEntry(), 10);
}

}  // namespace

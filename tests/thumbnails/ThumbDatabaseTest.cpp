#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <thread>
#include <vector>

#include "FileMaker.h"
#include "PeakMemory.h"
#include "TagBytes.h"
#include "ThumbDatabase.h"

namespace {

using namespace tagbytes;
using testsupport::MakeFile;

const QStringList twoEntries = {"a.jpg", "1000", "7", "8", "b.jpg", "2000", "7", "8"};

class ThumbDatabaseTest : public ::testing::Test {
protected:
    QString Picture(const QString& relative, int size) {
        return MakeFile(Folder.filePath(relative), QByteArray(size, 'p'));
    }
    QString DatabaseFile(const QByteArray& bytes,
                         const QString& name = QStringLiteral("Thumbs Brackwell.db")) {
        return MakeFile(Folder.filePath(name), bytes);
    }
    void Open(const QByteArray& bytes) { ASSERT_TRUE(Database.Open(DatabaseFile(bytes))); }

    QTemporaryDir Folder;
    TThumbDatabase Database;
};

struct TLookupCase {
    const char* Name;
    QStringList Catalogue;
    const char* Picture;
    int PictureSize;
    qint64 Entry;
};

class LookupTest : public ThumbDatabaseTest, public ::testing::WithParamInterface<TLookupCase> {};

TEST_P(LookupTest, FindsTheFirstEntryOfMatchingNameAndSize) {
    const TLookupCase& c = GetParam();
    for (const bool byteOrderMark : {true, false}) {
        Open(DatabaseBytes(c.Catalogue, {}, byteOrderMark));
        EXPECT_EQ(Database.FindEntry(Picture(QString::fromUtf8(c.Picture), c.PictureSize)), c.Entry)
            << "byte-order mark " << byteOrderMark;
    }
}

INSTANTIATE_TEST_SUITE_P(
    ThumbDatabase, LookupTest,
    ::testing::Values(
        TLookupCase{"NameAndSize", twoEntries, "x/B.JPG", 2000, 2},
        TLookupCase{"OtherSize", twoEntries, "x/B.JPG", 2001, 0},
        TLookupCase{"UnknownName", twoEntries, "x/c.jpg", 1000, 0},
        TLookupCase{"PathOfAnotherMachine", {"D:\\old\\a.jpg", "1000", "7", "8"}, "new/A.jpg", 1000, 1},
        TLookupCase{"DriveOnly", {"D:a.jpg", "1000", "7", "8"}, "a.jpg", 1000, 1},
        TLookupCase{
            "TwoEntriesForOneName", {"b.jpg", "2000", "7", "8", "b.jpg", "2000", "9", "9"}, "b.jpg", 2000, 1},
        TLookupCase{"UnicodeUpperCase", {"café.jpg", "10", "7", "8"}, "CAFÉ.JPG", 10, 1},
        // Every line is tried as a name, not only the first of each entry.
        TLookupCase{"NameOnAThirdLine", {"a.jpg", "1000", "c.jpg", "300"}, "c.jpg", 300, 1},
        TLookupCase{"SizeNotAnInteger", {"a.jpg", "1k", "7", "8"}, "a.jpg", 1000, 0},
        TLookupCase{"SizeBeyond32Bits", {"a.jpg", "4294968296", "7", "8"}, "a.jpg", 1000, 0},
        TLookupCase{"NameOnTheLastLine", {"7", "8", "a.jpg"}, "a.jpg", 1, 0},
        TLookupCase{"EmptyCatalogue", {}, "a.jpg", 1, 0}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(ThumbDatabaseTest, AMissingPictureNeverMatchesANegativeSize) {
    Open(DatabaseBytes({"gone.jpg", "-1", "7", "8"}));
    EXPECT_EQ(Database.FindEntry(Folder.filePath(QStringLiteral("gone.jpg"))), 0);
}

TEST_F(ThumbDatabaseTest, SplitsCatalogueText) {
    const auto utf16 = [](const QString& text) {
        return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    };
    const struct {
        QByteArray Content;
        QStringList Lines;
    } cases[] = {
        {utf16("a\r\nb\rc\nd"), {"a", "b", "c", "d"}},
        {utf16("a\r\n"), {"a"}},
        {utf16("a\r\n\r\n"), {"a", ""}},
        {utf16("\n\n"), {"", ""}},
        {QByteArray("\xFF\xFE", 2) + utf16("a\nb"), {"a", "b"}},
        {utf16("a\nb") + QByteArray(2, '\0') + utf16("c\n"), {"a", "b"}},
        {utf16("a\nbc") + "\x41", {"a", "bc"}},  // an odd last byte is dropped
        {"", {}},
        {QByteArray("\xFF\xFE", 2), {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CatalogueLinesOf(c.Content), c.Lines) << c.Content.toHex(' ').toStdString();
    }
}

TEST_F(ThumbDatabaseTest, TheMinimalOneEntryDatabaseGivesItsThumbnail) {
    const QByteArray jpeg = Jpeg(160, 120, Qt::red);
    Open(DatabaseBytes({"a.jpg", "1000", "7", "8"}, {Frame3("THUM", jpeg)}));
    const QString picture = Picture(QStringLiteral("a.jpg"), 1000);

    QByteArray stream = "old";
    QByteArray frameID;
    ASSERT_TRUE(Database.GetThumbnail(picture, stream, frameID));
    EXPECT_EQ(frameID, "THUM");
    EXPECT_EQ(stream, jpeg);

    QImage bitmap;
    ASSERT_TRUE(DatabaseThumbnail(picture, bitmap, &Database));
    EXPECT_EQ(bitmap.size(), QSize(160, 120));
    EXPECT_EQ(bitmap.format(), QImage::Format_RGB32);
    const QColor centre = bitmap.pixelColor(80, 60);
    EXPECT_GT(centre.red(), 240);
    EXPECT_LT(centre.green(), 15);
}

TEST_F(ThumbDatabaseTest, GivesNoThumbnailWithoutAThumFrameAtTheEntrysPosition) {
    const QString a = Picture(QStringLiteral("a.jpg"), 1000);
    const QString b = Picture(QStringLiteral("b.jpg"), 2000);
    const QByteArray jpeg = Jpeg(8, 8, Qt::blue);
    const struct {
        const char* Name;
        QList<QByteArray> Frames;
        bool HasStream;
    } cases[] = {
        {"only the catalogue", {}, false},
        {"one frame for two entries", {Frame3("THUM", jpeg)}, false},
        {"another identifier", {Frame3("THUM", jpeg), Frame3("TXXX", jpeg)}, true},
        {"not a JPEG", {Frame3("THUM", jpeg), Frame3("THUM", "no picture")}, true},
    };
    for (const auto& c : cases) {
        Open(DatabaseBytes(twoEntries, c.Frames));
        ASSERT_EQ(Database.FindEntry(b), 2) << c.Name;
        QByteArray stream;
        QByteArray frameID = "none";
        EXPECT_EQ(Database.GetThumbnail(b, stream, frameID), c.HasStream) << c.Name;
        EXPECT_EQ(stream.isEmpty(), !c.HasStream) << c.Name;
        QImage bitmap;
        EXPECT_FALSE(DatabaseThumbnail(b, bitmap, &Database)) << c.Name;
        EXPECT_TRUE(bitmap.isNull()) << c.Name;
    }
    QImage bitmap;
    EXPECT_TRUE(DatabaseThumbnail(a, bitmap, &Database));
    EXPECT_FALSE(DatabaseThumbnail(a, bitmap, nullptr));
}

TEST_F(ThumbDatabaseTest, DecodesACompressedOrUnsynchronisedFrameAndInflatesItOnce) {
    const QByteArray jpeg = Jpeg(40, 30, Qt::green);
    const QByteArray v4Body = Synchsafe(static_cast<quint32>(jpeg.size())) + Unsynchronise(Zlib(jpeg));
    const struct {
        const char* Name;
        QByteArray Bytes;
    } cases[] = {
        {"v3 compressed", DatabaseBytes(twoEntries, {Frame3("THUM", ""), CompressedFrame3("THUM", jpeg)})},
        {"v3 unsynchronised", Header(3, 0x80) + Frame3("CATA", Catalogue(twoEntries)) + Frame3("THUM", "") +
                                  Frame3("THUM", Unsynchronise(jpeg))},
        {"v4 unsynchronised and compressed", Header(4) + Frame4("CATA", Catalogue(twoEntries)) +
                                                 Frame4("THUM", "") + Frame4("THUM", v4Body, 0x000B)},
    };
    for (const auto& c : cases) {
        Open(c.Bytes);
        const QString b = Picture(QStringLiteral("b.jpg"), 2000);
        const qsizetype inflated = QByteArray(c.Name).contains("compressed") ? jpeg.size() : 0;
        for (int request = 0; request < 2; ++request) {
            QByteArray stream;
            QByteArray frameID;
            ASSERT_TRUE(Database.GetThumbnail(b, stream, frameID)) << c.Name;
            EXPECT_EQ(stream, jpeg) << c.Name;
            EXPECT_EQ(frameID, "THUM") << c.Name;
            EXPECT_EQ(Database.InflatedBytes(), inflated) << c.Name << ": inflated on the first request only";
        }
        QImage bitmap;
        ASSERT_TRUE(DatabaseThumbnail(b, bitmap, &Database)) << c.Name;
        EXPECT_EQ(bitmap.size(), QSize(40, 30)) << c.Name;
    }
}

// Frames that inflate to 8 MiB each (a thumbnail with a long tail of zeros, a few KB compressed): all
// of one database together inflate no more than its budget; those beyond give no thumbnail, and the
// ones inflated before are still served. A new Open starts a new budget.
TEST_F(ThumbDatabaseTest, AllInflatedBytesOfADatabaseStayWithinItsBudget) {
    constexpr int Entries = 12;
    const QByteArray jpeg = Jpeg(16, 16, Qt::blue);
    const QByteArray inflatesLong = jpeg + QByteArray((qsizetype(8) << 20) - jpeg.size(), '\0');
    QStringList catalogue;
    QList<QByteArray> frames;
    QStringList pictures;
    for (int i = 1; i <= Entries; ++i) {
        const QString name = QStringLiteral("p%1.jpg").arg(i);
        catalogue << name << QString::number(100 + i) << "7"
                  << "8";
        frames.append(CompressedFrame3("THUM", inflatesLong));
        pictures.append(Picture(name, 100 + i));
    }
    Open(DatabaseBytes(catalogue, frames));
    const int withinBudget = int(TThumbDatabase::InflationBudget / inflatesLong.size());
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < Entries; ++i) {
            QImage bitmap;
            EXPECT_EQ(DatabaseThumbnail(pictures[i], bitmap, &Database), i < withinBudget) << i;
            EXPECT_LE(Database.InflatedBytes(), TThumbDatabase::InflationBudget);
        }
    }
    Open(DatabaseBytes(catalogue, frames));
    EXPECT_EQ(Database.InflatedBytes(), 0);
    QImage bitmap;
    EXPECT_TRUE(DatabaseThumbnail(pictures[Entries - 1], bitmap, &Database));
}

// A database file far larger than anything it needs to hold: a frame of 256 MiB (a hole in the file)
// between the catalogue and the thumbnail, then a catalogue of 64 MiB. Neither is read into memory.
TEST_F(ThumbDatabaseTest, ReadsALargeFileWithoutHoldingItWhole) {
    constexpr qint64 Hole = qint64(256) << 20;
    const QByteArray jpeg = Jpeg(16, 16, Qt::red);
    const QString path = DatabaseFile(
        Header(3) + Frame3("CATA", Catalogue({"x.jpg", "1", "7", "8", "a.jpg", "1000", "7", "8"})) +
        FrameWithSize("PADD", BigEndian(quint32(Hole)), ""));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.resize(file.size() + Hole));
        ASSERT_TRUE(file.seek(file.size()));
        file.write(Frame3("THUM", jpeg));
    }
    const QString a = Picture(QStringLiteral("a.jpg"), 1000);
    QImage bitmap;
    const qint64 peak = testsupport::PeakResidentGrowth([&] {
        ASSERT_TRUE(Database.Open(path));
        EXPECT_TRUE(DatabaseThumbnail(a, bitmap, &Database));
    });
    EXPECT_EQ(bitmap.size(), QSize(16, 16));
    if (peak >= 0) {
        EXPECT_LT(peak, qint64(32) << 20);
    }

    // A catalogue frame of 64 MiB is taken for a damaged one.
    const QString huge = DatabaseFile(
        Header(3) + FrameWithSize("CATA", BigEndian(64u << 20), Catalogue({"a.jpg", "1000", "7", "8"})),
        QStringLiteral("huge.db"));
    {
        QFile file(huge);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.resize(qint64(64) << 20));
    }
    ASSERT_TRUE(Database.Open(huge));
    EXPECT_TRUE(Database.Catalogue().isEmpty());
    EXPECT_EQ(Database.FindEntry(a), 0);
}

TEST_F(ThumbDatabaseTest, OpenReplacesTheCatalogueOrKeepsItForAMissingFile) {
    const QString a = Picture(QStringLiteral("a.jpg"), 1000);
    Open(DatabaseBytes(twoEntries));
    EXPECT_EQ(Database.Catalogue(), twoEntries);

    // No file at the path: the frames held before stay, and so does the catalogue read from them.
    ASSERT_TRUE(Database.Open(Folder.filePath(QStringLiteral("missing.db"))));
    EXPECT_EQ(Database.FindEntry(a), 1);

    // Not a tag: an empty catalogue.
    Open("plain text, no tag");
    EXPECT_TRUE(Database.Catalogue().isEmpty());
    EXPECT_EQ(Database.FindEntry(a), 0);

    // A tag without a catalogue: an empty one.
    Open(Header(3) + Frame3("THUM", "x"));
    EXPECT_TRUE(Database.Catalogue().isEmpty());
    EXPECT_EQ(Database.FindEntry(a), 0);

    // A compressed catalogue is read as stored text and matches nothing.
    Open(Header(3) + CompressedFrame3("CATA", Catalogue(twoEntries)));
    EXPECT_EQ(Database.FindEntry(a), 0);
}

TEST_F(ThumbDatabaseTest, ReadsACatalogueStoredAtAnOddOffset) {
    Open(Header(3) + Frame3("PRIV", "x") + Frame3("CATA", Catalogue(twoEntries)));
    EXPECT_EQ(Database.Catalogue(), twoEntries);
}

TEST_F(ThumbDatabaseTest, ServesSeveralThreadsAtOnce) {
    const QByteArray jpeg = Jpeg(16, 16, Qt::white);
    Open(DatabaseBytes(twoEntries, {Frame3("THUM", ""), CompressedFrame3("THUM", jpeg)}));
    const QString b = Picture(QStringLiteral("b.jpg"), 2000);
    std::vector<QByteArray> streams(4);
    std::vector<std::thread> threads;
    for (QByteArray& stream : streams) {
        threads.emplace_back([&] {
            QByteArray frameID;
            for (int i = 0; i < 20; ++i) {
                Database.GetThumbnail(b, stream, frameID);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (const QByteArray& stream : streams) {
        EXPECT_EQ(stream, jpeg);
    }
}

}  // namespace

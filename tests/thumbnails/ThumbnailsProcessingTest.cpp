#include <gtest/gtest.h>

#include <QFont>
#include <QTemporaryDir>

#include <string>
#include <vector>

#include "ExifBlockBuilder.h"
#include "FileMaker.h"
#include "FitThumbnail.h"
#include "Jpeg2000Bitmap.h"
#include "PictureFiles.h"
#include "PixelBox.h"
#include "TagBytes.h"
#include "TextDrawing.h"
#include "ThumbDatabase.h"
#include "ThumbnailsProcessing.h"

namespace {

using exiftest::Dir;
using exiftest::ExifBlockBuilder;
using picturetest::Quadrants;
using picturetest::Saved;
using testsupport::MakeFile;
using testsupport::PixelBox;

constexpr quint16 TagOrientation = 0x0112;
const QColor WindowColour(0x12, 0x34, 0x56);

// The quadrant colours of a picture at the centres of its four quarters, top left, top right, bottom
// left, bottom right: R, G, B or Y (see Quadrants), '?' for anything else.
std::string Corners(const QImage& picture) {
    std::string corners;
    for (const QPoint quarter : {QPoint(1, 1), QPoint(3, 1), QPoint(1, 3), QPoint(3, 3)}) {
        const QRgb p = picture.pixel(picture.width() * quarter.x() / 4, picture.height() * quarter.y() / 4);
        const bool r = qRed(p) > 160, g = qGreen(p) > 160, b = qBlue(p) > 160;
        corners += r && g && !b ? 'Y' : r && !g && !b ? 'R' : !r && g && !b ? 'G' : !r && !g && b ? 'B' : '?';
    }
    return corners;
}

// A JPEG stream whose EXIF block carries a 160 x 120 quadrant thumbnail, with the given orientation tags
// in the thumbnail directory and in the main one (0: no tag).
QByteArray JpegWithThumbnail(int thumbnailOrientation, int mainOrientation = 0) {
    ExifBlockBuilder block;
    if (mainOrientation != 0) {
        block.Short(Dir::Main, TagOrientation, {quint16(mainOrientation)});
    }
    if (thumbnailOrientation != 0) {
        block.Short(Dir::Thumb, TagOrientation, {quint16(thumbnailOrientation)});
    }
    return block.Thumbnail(Saved(Quadrants(160, 120), "jpg")).Jpeg();
}

class ThumbnailsProcessingTest : public ::testing::Test {
protected:
    QString Path(const QString& name) const { return Folder.filePath(name); }
    QTemporaryDir Folder;
};

TEST_F(ThumbnailsProcessingTest, ExifThumbnailIsTurnedByItsOwnDirectorysOrientationOnly) {
    struct Case {
        int ThumbnailOrientation;
        int MainOrientation;
        QSize Size;
        std::string Corners;
    };
    const std::vector<Case> cases = {
        {0, 0, {160, 120}, "RGBY"},  // no tag
        {1, 0, {160, 120}, "RGBY"}, {2, 0, {160, 120}, "GRYB"},
        {3, 0, {160, 120}, "YBGR"}, {6, 0, {120, 160}, "BRYG"},  // turned clockwise
        {8, 0, {120, 160}, "GYRB"}, {9, 0, {160, 120}, "RGBY"},
        {0, 6, {160, 120}, "RGBY"},  // the main picture's orientation is not the thumbnail's
        {3, 6, {160, 120}, "YBGR"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.ThumbnailOrientation << " / main " << c.MainOrientation);
        const QString file =
            MakeFile(Path("photo.jpeg"), JpegWithThumbnail(c.ThumbnailOrientation, c.MainOrientation));
        QImage bitmap;
        ASSERT_TRUE(ExifThumbnail(file, bitmap));
        EXPECT_EQ(bitmap.size(), c.Size);
        EXPECT_EQ(Corners(bitmap), c.Corners);
    }
}

TEST_F(ThumbnailsProcessingTest, OnlyJpegNamesAreOpened) {
    const QByteArray jpeg = JpegWithThumbnail(0);
    struct Case {
        const char* Name;
        bool Read;
    };
    const std::vector<Case> cases = {
        {"a.jpg", true},  {"b.JPG", true},  {"c.jpeg", true}, {"d.JFIF", true}, {"e.jpe", true},
        {"f.png", false}, {"g.tif", false}, {"h.jp2", false}, {"i", false},     {"j.jpg.txt", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(IsExifThumbnailName(QString::fromLatin1(c.Name)), c.Read);
        QImage bitmap;
        EXPECT_EQ(ExifThumbnail(MakeFile(Path(QString::fromLatin1(c.Name)), jpeg), bitmap), c.Read);
        EXPECT_EQ(bitmap.isNull(), !c.Read);
    }
}

TEST_F(ThumbnailsProcessingTest, ExifThumbnailFailsQuietlyAndLeavesTheBitmap) {
    ExifBlockBuilder withoutThumbnail;
    withoutThumbnail.Short(Dir::Thumb, TagOrientation, {6}).Ascii(Dir::Main, 0x010F, "Maker");
    ExifBlockBuilder damagedThumbnail;
    damagedThumbnail.Thumbnail(QByteArray::fromHex("FFD8FFDB") + "not a picture");
    struct Case {
        const char* Name;
        QByteArray Bytes;
    };
    const std::vector<Case> cases = {
        {"no-exif.jpg", Saved(Quadrants(64, 48), "jpg")},
        {"no-thumbnail.jpg", withoutThumbnail.Jpeg()},
        {"damaged-thumbnail.jpg", damagedThumbnail.Jpeg()},
        {"text.jpg", QByteArray("just some text\n")},
        {"empty.jpg", QByteArray()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        QImage bitmap(3, 3, QImage::Format_RGB32);
        bitmap.fill(Qt::magenta);
        EXPECT_FALSE(ExifThumbnail(MakeFile(Path(QString::fromLatin1(c.Name)), c.Bytes), bitmap));
        EXPECT_EQ(bitmap.size(), QSize(3, 3));
        EXPECT_EQ(bitmap.pixel(1, 1), QColor(Qt::magenta).rgb());
    }
    QImage bitmap;
    EXPECT_FALSE(ExifThumbnail(Path("missing.jpg"), bitmap));
}

// EXIF and database thumbnails are decoded on the GUI thread: one that declares more than a thumbnail
// can be is refused from its header, as a damaged one is, and the entry goes on to its next source.
TEST_F(ThumbnailsProcessingTest, EmbeddedThumbnailsLargerThanAThumbnailCanBeAreRefused) {
    struct Case {
        QSize Size;
        bool Taken;
    };
    const std::vector<Case> cases = {
        {{1024, 1024}, true},
        {{1025, 8}, false},
        {{8, 1025}, false},
        {{160, 120}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.Size));
        const QByteArray thumbnail = Saved(Quadrants(c.Size.width(), c.Size.height()), "jpg");
        QImage bitmap;
        ExifBlockBuilder block;
        EXPECT_EQ(ExifThumbnail(MakeFile(Path("photo.jpg"), block.Thumbnail(thumbnail).Jpeg()), bitmap),
                  c.Taken);
        EXPECT_EQ(bitmap.size(), c.Taken ? c.Size : QSize(0, 0));

        const QString picture = MakeFile(Path("listed.png"), QByteArray(10, 'p'));
        TThumbDatabase database;
        database.Open(MakeFile(
            Path("Thumbs Brackwell.db"),
            tagbytes::DatabaseBytes({"listed.png", "10", "7", "8"}, {tagbytes::Frame3("THUM", thumbnail)})));
        QImage fromDatabase;
        EXPECT_EQ(DatabaseThumbnail(picture, fromDatabase, &database), c.Taken);
        EXPECT_EQ(fromDatabase.size(), c.Taken ? c.Size : QSize(0, 0));
    }
}

std::string Describe(const QRect& r) {
    return QStringLiteral("(%1, %2, %3 x %4)")
        .arg(r.x())
        .arg(r.y())
        .arg(r.width())
        .arg(r.height())
        .toStdString();
}

// The pixels that differ from the window colour.
QRect PictureBox(const QImage& thumbnail) {
    return PixelBox(thumbnail, [](QRgb p) { return (p & 0xFFFFFF) != (WindowColour.rgb() & 0xFFFFFF); });
}

TEST_F(ThumbnailsProcessingTest, RenderedPicturesAreFittedCentredOnTheWindowColour) {
    TJpeg2000Bitmap jp2;
    jp2.Assign(Quadrants(320, 240).convertToFormat(QImage::Format_BGR888));
    jp2.SaveToFile(Path("quadrants.jp2"));
    struct Case {
        QString File;
        QRect Box;
    };
    const std::vector<Case> cases = {
        {MakeFile(Path("wide.png"), Saved(Quadrants(320, 240), "png")), QRect(0, 0, 160, 120)},
        {MakeFile(Path("tall.png"), Saved(Quadrants(240, 320), "png")), QRect(35, 0, 90, 120)},
        {MakeFile(Path("photo.jpg"), Saved(Quadrants(640, 480), "jpg")), QRect(0, 0, 160, 120)},
        {MakeFile(Path("small.ppm"), Saved(Quadrants(100, 50), "ppm")), QRect(30, 35, 100, 50)},
        // A Windows bitmap is known by its first two bytes, whatever its name.
        {MakeFile(Path("bitmap.xyz"), Saved(Quadrants(320, 100), "bmp")), QRect(0, 35, 160, 50)},
        {Path("quadrants.jp2"), QRect(0, 0, 160, 120)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.File.toStdString());
        QImage bitmap;
        ASSERT_TRUE(RenderThumbnail(c.File, bitmap, WindowColour));
        EXPECT_EQ(bitmap.size(), QSize(160, 120));
        EXPECT_FALSE(bitmap.hasAlphaChannel());
        EXPECT_EQ(PictureBox(bitmap), c.Box);
        const QImage picture = bitmap.copy(c.Box);
        EXPECT_EQ(Corners(picture), "RGBY");
    }
}

// Fake decoders that each give a picture of their own colour (or nothing), and note the order of calls.
struct FakeRoute {
    bool Jpeg2000Reads = false;
    bool GenericReads = false;
    bool RegistryReads = false;
    std::string Calls;

    static QImage Solid(QRgb colour) {
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(colour);
        return picture;
    }
    TThumbnailDecoders Decoders() {
        return {
            [this](const QString&) {
                Calls += 'J';
                return Jpeg2000Reads ? Solid(qRgb(200, 0, 0)) : QImage();
            },
            [this](const QString&, QSize box, const QColor& background, QImage& thumbnail) {
                Calls += 'G';
                if (GenericReads) {
                    FitThumbnail(Solid(qRgb(0, 200, 0)), thumbnail, box.width(), box.height(), background);
                }
                return GenericReads;
            },
            [this](const QString&) {
                Calls += 'R';
                if (!RegistryReads) {
                    throw EInvalidPicture(QStringLiteral("no reader"));
                }
                return Solid(qRgb(0, 0, 200));
            },
            {},
        };
    }
};

TEST_F(ThumbnailsProcessingTest, DecodersAreTriedJpeg2000ByNameThenGenericThenRegistry) {
    struct Case {
        const char* Name;
        bool Jpeg2000, Generic, Registry;
        std::string Calls;
        QRgb Centre;
    };
    const QRgb windowColour = WindowColour.rgb();
    const std::vector<Case> cases = {
        {"a.jp2", true, true, true, "J", qRgb(200, 0, 0)},
        {"a.J2K", false, true, true, "JG", qRgb(0, 200, 0)},
        {"a.jpc", false, false, true, "JGR", qRgb(0, 0, 200)},
        {"a.png", true, true, true, "G", qRgb(0, 200, 0)},
        {"a.png", true, false, true, "GR", qRgb(0, 0, 200)},
        {"a.png", true, false, false, "GR", windowColour},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Name << " " << c.Calls);
        FakeRoute route{c.Jpeg2000, c.Generic, c.Registry, {}};
        QImage bitmap;
        ASSERT_TRUE(RenderThumbnail(QString::fromLatin1(c.Name), bitmap, WindowColour, route.Decoders()));
        EXPECT_EQ(route.Calls, c.Calls);
        EXPECT_EQ(bitmap.pixel(80, 60), c.Centre | 0xFF000000u);
    }
}

// A file the generic decoder ran out of time on is not decoded again in the program's own process, where
// nothing would stop it: it is not supported.
TEST_F(ThumbnailsProcessingTest, AFileTheGenericDecoderGaveUpOnForTimeIsNotReadInProcess) {
    FakeRoute route{false, false, true, {}};
    TThumbnailDecoders decoders = route.Decoders();
    decoders.GaveUp = [](const QString& path) { return path == QStringLiteral("slow.psd"); };
    QImage bitmap;
    ASSERT_TRUE(RenderThumbnail(QStringLiteral("slow.psd"), bitmap, WindowColour, decoders));
    EXPECT_EQ(route.Calls, "G");
    EXPECT_EQ(bitmap.pixel(80, 60), WindowColour.rgb() | 0xFF000000u);
    route.Calls.clear();
    ASSERT_TRUE(RenderThumbnail(QStringLiteral("quick.psd"), bitmap, WindowColour, decoders));
    EXPECT_EQ(route.Calls, "GR");
}

// A damaged or misnamed JPEG 2000 file gets the "not supported" text like any file no decoder reads
// (it used to keep " Generating..." for ever); no other decoder is tried for it.
TEST_F(ThumbnailsProcessingTest, Jpeg2000ErrorsEndAsNotSupported) {
    const auto notSupported = [](const QImage& bitmap) {
        return !PixelBox(bitmap, [](QRgb p) {
                    return qRed(p) > 200 && qGreen(p) < 40 && qBlue(p) < 40;
                }).isEmpty();
    };
    FakeRoute route{false, true, true, {}};
    TThumbnailDecoders decoders = route.Decoders();
    decoders.Jpeg2000 = [](const QString&) -> QImage {
        throw EJpeg2000Error(QStringLiteral("decoding failed"));
    };
    QImage bitmap;
    ASSERT_TRUE(RenderThumbnail(QStringLiteral("x.jp2"), bitmap, WindowColour, decoders));
    EXPECT_EQ(route.Calls, "") << "no other decoder is tried";
    EXPECT_EQ(bitmap.size(), QSize(160, 120));
    EXPECT_TRUE(notSupported(bitmap));

    const QString junk = MakeFile(Path("junk.jp2"), QByteArray("not JPEG 2000 at all"));
    const QString png = MakeFile(Path("picture.jp2"), Saved(Quadrants(32, 24), "png"));
    for (const QString& file : {junk, png}) {
        bitmap = QImage();
        ASSERT_TRUE(RenderThumbnail(file, bitmap, WindowColour));
        EXPECT_TRUE(notSupported(bitmap)) << file.toStdString();
    }
}

TEST_F(ThumbnailsProcessingTest, UnreadableFileGivesRedTextWithBlackShadow) {
    const QString file = MakeFile(Path("notes.jpg"), QByteArray("Shopping list: apples, pears.\n"));
    QImage bitmap;
    ASSERT_TRUE(RenderThumbnail(file, bitmap, Qt::white));
    ASSERT_EQ(bitmap.size(), QSize(160, 120));
    const QRect red =
        PixelBox(bitmap, [](QRgb p) { return qRed(p) > 200 && qGreen(p) < 40 && qBlue(p) < 40; });
    const QRect shadow =
        PixelBox(bitmap, [](QRgb p) { return qRed(p) < 60 && qGreen(p) < 60 && qBlue(p) < 60; });
    ASSERT_FALSE(red.isEmpty());
    ASSERT_FALSE(shadow.isEmpty());
    EXPECT_GT(shadow.bottom(), red.bottom()) << "the shadow lies below the text";
    EXPECT_GT(shadow.right(), red.right()) << "and to its right";

    // Centred by its ink, the shadow adding one pixel to the right and below; whole, not clipped.
    const QFont font = NotSupportedFont();
    EXPECT_LE(font.pointSize(), 9);
    const QSize ink = TextExtent(font, NotSupportedText);
    const QRect text(QPoint((160 - ink.width()) / 2, (120 - ink.height()) / 2), ink);
    const QRect drawn = PixelBox(bitmap, [](QRgb p) { return (p & 0xFFFFFF) != 0xFFFFFF; });
    EXPECT_TRUE(text.adjusted(-1, -1, 2, 2).contains(drawn)) << Describe(drawn) << " in " << Describe(text);
    EXPECT_TRUE(drawn.contains(text.adjusted(1, 1, -1, -1))) << Describe(drawn) << " in " << Describe(text);
    EXPECT_GT(drawn.left(), 0);
    EXPECT_LT(drawn.right(), 159);
}

TEST_F(ThumbnailsProcessingTest, TextFontsStartAtTheirSizeAndShrinkToFit) {
    EXPECT_EQ(CentredTextFont(PlaceholderText, 160).pointSize(), 8) << "the placeholder's text fits as it is";
    EXPECT_EQ(CentredTextFont(PlaceholderText, 160).family(), QFont(QStringLiteral("Tahoma")).family());

    const QString longText = QStringLiteral("A caption far too long for a thumbnail of this width");
    const QFont fitted = CentredTextFont(longText, 160);
    EXPECT_LT(fitted.pointSize(), 8);
    if (fitted.pointSize() > MinimumTextPoints) {
        QFont larger = fitted;
        larger.setPointSize(fitted.pointSize() + 1);
        EXPECT_LT(TextExtent(fitted, longText).width(), 156);
        EXPECT_GE(TextExtent(larger, longText).width(), 156);
    }
    EXPECT_EQ(CentredTextFont(longText, 4).pointSize(), MinimumTextPoints)
        << "the smallest size is the floor";
    EXPECT_LT(TextExtent(NotSupportedFont(), NotSupportedText).width(), 156);
}

TEST_F(ThumbnailsProcessingTest, PlaceholderIsFaintGreyTextCentredOnTheBackground) {
    const QImage placeholder = MakePlaceholderThumbnail(Qt::white);
    ASSERT_EQ(placeholder.size(), QSize(160, 120));
    // The text's box, leading blank included, stands one pixel up and left of the centre.
    const QRect ink = PixelBox(placeholder, [](QRgb p) { return (p & 0xFFFFFF) != 0xFFFFFF; });
    const QSize extent = TextExtent(CentredTextFont(PlaceholderText, 160), PlaceholderText);
    const QRect expected(QPoint((160 - extent.width()) / 2 - 1, (120 - extent.height()) / 2 - 1), extent);
    EXPECT_TRUE(expected.adjusted(-1, -1, 1, 1).contains(ink))
        << Describe(ink) << " in " << Describe(expected);
    EXPECT_NEAR(ink.right(), expected.right(), 1);
    EXPECT_NEAR(ink.top(), expected.top(), 1);
    EXPECT_NEAR(ink.bottom(), expected.bottom(), 1);

    // 0x22 at 0x44 / 255 over white is 196 at its darkest: a faint grey, never the opaque colour.
    int darkest = 255;
    for (int y = 0; y < placeholder.height(); ++y) {
        for (int x = 0; x < placeholder.width(); ++x) {
            darkest = std::min(darkest, qGray(placeholder.pixel(x, y)));
        }
    }
    EXPECT_GE(darkest, 194);
    EXPECT_LE(darkest, 215);
}

TEST_F(ThumbnailsProcessingTest, CentredTextFillsTheWholeBitmapAndSkipsANullOne) {
    QImage bitmap(40, 30, QImage::Format_RGB32);
    bitmap.fill(Qt::magenta);
    DrawCentredText(bitmap, QString(), Qt::blue);
    EXPECT_EQ(PixelBox(bitmap, [](QRgb p) { return p != QColor(Qt::blue).rgb(); }), QRect());

    QImage none;
    DrawCentredText(none, PlaceholderText, Qt::blue);
    EXPECT_TRUE(none.isNull());
}

}  // namespace

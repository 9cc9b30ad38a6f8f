#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "FileMaker.h"
#include "FitThumbnail.h"
#include "FormatRegistry.h"
#include "FreeImageBinding.h"
#include "FreeImageLoader.h"
#include "PictureFiles.h"

using picturetest::Quadrants;
using picturetest::Saved;

namespace {

constexpr int GenericPng = 13;

TEST(FreeImageBindingTest, WithoutTheLibraryEveryFileIsUndecodable) {
    QTemporaryDir folder;
    const QString png = testsupport::MakeFile(folder.filePath("a.png"), Saved(Quadrants(4, 4), "png"));
    const TGenericDecoder missing("libno-such-decoder.so.0");
    QImage picture;
    EXPECT_FALSE(missing.Loaded());
    EXPECT_EQ(missing.FileType(png), GenericUnknown);
    EXPECT_FALSE(missing.Load(png, picture));
    EXPECT_TRUE(picture.isNull());
}

class FreeImageLoaderLoadedTest : public testing::Test {
protected:
    void SetUp() override {
        if (!InitGenericDecoder()) {
            GTEST_SKIP() << GenericDecoderLibrary << " is not installed, or orvalis-decoder is not built";
        }
    }
    QString Make(const char* name, const QByteArray& bytes) {
        return testsupport::MakeFile(Folder.filePath(QString::fromLatin1(name)), bytes);
    }
    QTemporaryDir Folder;
};

TEST_F(FreeImageLoaderLoadedTest, FindsTheFormatByContentThenNameThenItsOwnTable) {
    const QByteArray png = Saved(Quadrants(4, 4), "png");
    const struct {
        const char* Name;
        QByteArray Bytes;
        int Expected;
    } cases[] = {
        {"picture.png", png, GenericPng},
        {"png-named.xyz", png, GenericPng},
        {"icon.ico", Saved(Quadrants(16, 16), "ico"), GenericUnknown},
        {"png-as-icon.ICO", png, GenericUnknown},
        {"cursor.ani", png, GenericUnknown},
        {"notes.xyz", "plain text", GenericUnknown},
        {"text.tga", "plain text", GenericTarga},
        {"text.cut", "plain text", GenericDrHaloCut},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GenericFileType(Make(c.Name, c.Bytes)), c.Expected) << c.Name;
    }
    EXPECT_TRUE(GenericDecoderLoaded());
    EXPECT_TRUE(InitGenericDecoder());  // a second call reuses the binding
}

TEST_F(FreeImageLoaderLoadedTest, DecodesIntoAnOpaque32BitPictureTheRightWayUp) {
    QImage translucent = Quadrants(10, 6).convertToFormat(QImage::Format_ARGB32);
    translucent.setPixel(0, 0, qRgba(250, 0, 0, 40));
    const QImage opaque = Quadrants(10, 6);
    QImage picture;
    ASSERT_TRUE(LoadWithGenericDecoder(Make("translucent.png", Saved(translucent, "png")), picture));
    EXPECT_EQ(picture.format(), QImage::Format_RGB32);
    EXPECT_EQ(picture, opaque);
    ASSERT_TRUE(LoadWithGenericDecoder(
        Make("palette.png", Saved(opaque.convertToFormat(QImage::Format_Indexed8), "png")), picture));
    EXPECT_EQ(picture, opaque);
}

TEST_F(FreeImageLoaderLoadedTest, RefusesIconsAndWhatItCannotRead) {
    const QImage previous = Quadrants(2, 2);
    for (const auto& [name, bytes] : std::vector<std::pair<const char*, QByteArray>>{
             {"icon.ico", Saved(Quadrants(16, 16), "ico")},
             {"png-as-cursor.ani", Saved(Quadrants(4, 4), "png")},
             {"notes.xyz", "plain text"},
             {"cut-short.png", Saved(Quadrants(40, 40), "png").left(60)},
             {"missing.png", {}},
         }) {
        QImage picture = previous;
        const QString path =
            QString::fromLatin1(name) == "missing.png" ? Folder.filePath(name) : Make(name, bytes);
        EXPECT_FALSE(LoadWithGenericDecoder(path, picture)) << name;
        EXPECT_EQ(picture, previous) << name;
    }
}

TEST_F(FreeImageLoaderLoadedTest, TakesTheTargaFilesThatTheRegistryCannotRead) {
    // Qt's Targa reader takes only files with the version 2 footer, and no greyscale at all.
    const struct {
        const char* Name;
        QByteArray Bytes;
        QRgb TopLeft;
        QRgb BottomRight;
    } cases[] = {
        {"grey.tga", picturetest::Targa(3, 2, 2, QByteArray("\x0A\xC8\x32\x64", 4)), qRgb(10, 10, 10),
         qRgb(100, 100, 100)},
        {"version1.tga", picturetest::Targa(2, 2, 1, QByteArray("\x01\x02\x03\x04\x05\x06", 6)),
         qRgb(3, 2, 1), qRgb(6, 5, 4)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const QString path = Make(c.Name, c.Bytes);
        EXPECT_THROW(LoadPictureFile(path), EInvalidPicture);
        QImage picture;
        ASSERT_TRUE(LoadWithGenericDecoder(path, picture));
        EXPECT_EQ(picture.pixel(0, 0), c.TopLeft);
        EXPECT_EQ(picture.pixel(picture.width() - 1, picture.height() - 1), c.BottomRight);
    }
}

// What the decoder process gives is what the library gives in the program's own process, to the byte:
// the pictures, and the thumbnails fitted where they are decoded.
TEST_F(FreeImageLoaderLoadedTest, DecoderProcessGivesWhatTheLibraryGivesInProcess) {
    const TGenericDecoder inProcess(GenericDecoderLibrary);
    ASSERT_TRUE(inProcess.Loaded());
    const QImage quadrants = Quadrants(37, 23);
    const struct {
        const char* Name;
        QByteArray Bytes;
    } cases[] = {
        {"picture.tif", Saved(quadrants, "tiff")},
        {"picture.png", Saved(quadrants, "png")},
        {"picture.bmp", Saved(quadrants, "bmp")},
        {"picture.tga", picturetest::Targa(2, 37, 23, picturetest::BgrRows(quadrants))},
        {"picture.pcx", picturetest::Pcx(quadrants)},
        {"picture.psd", picturetest::Photoshop(quadrants)},
        {"picture.ras", picturetest::SunRaster(quadrants)},
        {"picture.gif", picturetest::Gif(quadrants)},
        {"large.png", Saved(Quadrants(1200, 700), "png")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const QString path = Make(c.Name, c.Bytes);
        QImage expected;
        ASSERT_TRUE(inProcess.Load(path, expected));
        QImage picture;
        ASSERT_TRUE(LoadWithGenericDecoder(path, picture));
        EXPECT_EQ(picture.format(), expected.format());
        EXPECT_EQ(picture, expected);

        QImage expectedThumbnail;
        FitThumbnail(expected, expectedThumbnail, 160, 120, QColor(0x12, 0x34, 0x56));
        QImage thumbnail;
        ASSERT_TRUE(
            LoadThumbnailWithGenericDecoder(path, QSize(160, 120), QColor(0x12, 0x34, 0x56), thumbnail));
        EXPECT_EQ(thumbnail, expectedThumbnail);
    }
}

// A few damaged header bytes may declare a picture of gigapixels; such a file is refused from its header.
TEST_F(FreeImageLoaderLoadedTest, RefusesAPictureLargerThanAnyPictureMayBe) {
    QByteArray jpeg = Saved(Quadrants(64, 48), "jpg");
    const qsizetype frame = jpeg.indexOf(QByteArray::fromHex("FFC0"));
    ASSERT_GE(frame, 0);
    qToBigEndian(quint16(40000), jpeg.data() + frame + 5);  // height
    qToBigEndian(quint16(40000), jpeg.data() + frame + 7);  // width
    QImage picture;
    EXPECT_FALSE(LoadWithGenericDecoder(Make("declared-huge.jpg", jpeg), picture));
    EXPECT_TRUE(picture.isNull());
    EXPECT_TRUE(LoadWithGenericDecoder(Make("next.png", Saved(Quadrants(4, 4), "png")), picture));
}

}  // namespace

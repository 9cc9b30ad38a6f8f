#include <gtest/gtest.h>

#include <QColorSpace>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <algorithm>

#include "ColourConversion.h"
#include "DecoderServer.h"
#include "FileMaker.h"
#include "FreeImageLoader.h"
#include "HeifBinding.h"
#include "PictureFiles.h"

namespace {

using picturetest::ToolSucceeds;

QByteArray FileTypeBox(const char* major, std::initializer_list<const char*> compatible) {
    QByteArray box = QByteArray(4, '\0') + "ftyp" + QByteArray(major, 4) + QByteArray(4, '\0');
    for (const char* brand : compatible) {
        box += QByteArray(brand, 4);
    }
    box[3] = char(box.size());
    return box + QByteArray(8, '\0');
}

TEST(HeifBindingTest, KnowsHeifAndAvifFilesByTheirHead) {
    const struct {
        QByteArray Head;
        bool Heif;
    } cases[] = {
        {FileTypeBox("heic", {"mif1", "heic"}), true},   // a phone's photograph
        {FileTypeBox("mif1", {"heic"}), true},           // the general brand first
        {FileTypeBox("avif", {"avif", "mif1"}), true},   // AVIF
        {FileTypeBox("isom", {"iso2", "avif"}), true},   // a compatible brand is enough
        {FileTypeBox("isom", {"iso2", "mp41"}), false},  // a video
        {FileTypeBox("qt  ", {}), false},
        {QByteArray("\xFF\xD8\xFF\xE1") + QByteArray(20, '\0'), false},
        {QByteArray("\0\0\0\x10"
                    "ftyphe",
                    10),
         false},  // cut short
        {QByteArray(), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsHeifHead(c.Head), c.Heif) << c.Head.toHex().toStdString();
    }
}

TEST(HeifBindingTest, WithoutTheLibraryNothingIsRead) {
    const THeifDecoder missing("libheif-that-is-not-there.so.1");
    EXPECT_FALSE(missing.Loaded());
    QImage picture;
    EXPECT_FALSE(missing.Load(QStringLiteral("/nowhere.heic"), picture));
    EXPECT_TRUE(picture.isNull());
}

// The largest difference of any channel between two pictures of the same size, or 256.
int LargestDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) {
        return 256;
    }
    int worst = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q))});
        }
    }
    return worst;
}

// HEIF and AVIF files made by libheif's own encoder (heif-enc), opaque and with alpha, read as libheif's
// own converter (heif-convert) reads them; the transparent one laid on black. The decoder process's
// backend takes them by their head, whatever their name.
TEST(HeifBindingTest, ReadsHeifAndAvifAsTheLibrarysOwnConverterDoes) {
    const THeifDecoder heif;
    if (!heif.Loaded() || !ToolSucceeds(QStringLiteral("heif-enc"), {QStringLiteral("--version")})) {
        GTEST_SKIP() << "libheif1 or heif-enc (Debian package libheif-examples) is not installed";
    }
    QTemporaryDir folder;
    const QImage picture = picturetest::DetailWithSoftEdge(96, 64);
    picture.convertToFormat(QImage::Format_RGB32).save(folder.filePath("opaque.png"));
    picture.save(folder.filePath("alpha.png"));
    const struct {
        const char* Name;
        const char* Source;
        QStringList Options;
    } cases[] = {
        {"opaque.heic", "opaque.png", {"-q", "90"}},
        {"alpha.heic", "alpha.png", {"-q", "90"}},
        {"opaque.avif", "opaque.png", {"-A", "-q", "90"}},
    };
    const TPicturesBackend backend;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const QString file = folder.filePath(QString::fromLatin1(c.Name));
        const QString reference = file + QStringLiteral(".png");
        if (!ToolSucceeds(
                QStringLiteral("heif-enc"),
                c.Options + QStringList{folder.filePath(QString::fromLatin1(c.Source)), "-o", file})) {
            ADD_FAILURE() << "heif-enc could not write " << c.Name;
            continue;
        }
        ASSERT_TRUE(ToolSucceeds(QStringLiteral("heif-convert"), {file, reference}));
        // heif-convert writes the alpha plane beside the colours; on black, as the audience sees it.
        const QImage converted = QImage(reference).convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(converted.size(), picture.size());
        QImage expected(converted.size(), QImage::Format_RGB32);
        for (int y = 0; y < expected.height(); ++y) {
            for (int x = 0; x < expected.width(); ++x) {
                const QRgb p = converted.pixel(x, y);
                const int a = qAlpha(p);
                expected.setPixel(x, y, qRgb(qRed(p) * a / 255, qGreen(p) * a / 255, qBlue(p) * a / 255));
            }
        }

        QImage ours;
        ASSERT_TRUE(heif.Load(file, ours));
        EXPECT_EQ(ours.format(), QImage::Format_RGB32);
        EXPECT_LE(LargestDifference(ours, expected), 1);

        const QString misnamed = folder.filePath(QStringLiteral("IMG_0001.jpg"));
        QFile::remove(misnamed);
        ASSERT_TRUE(QFile::copy(file, misnamed));
        QImage throughBackend;
        ASSERT_TRUE(backend.Load(misnamed, throughBackend));
        EXPECT_EQ(throughBackend, ours);
    }
    // Not a HEIF file: FreeImage's, or nobody's.
    QImage none;
    EXPECT_FALSE(heif.Load(testsupport::MakeFile(folder.filePath("empty.heic")), none));
}

// The program's side: a HEIF or AVIF file goes to the decoder process (its registry row has no reader in
// the program), which decodes the whole picture or its thumbnail with libheif.
TEST(HeifBindingTest, TheDecoderProcessReadsThemForTheProgram) {
    const THeifDecoder heif;
    if (!heif.Loaded() || !InitGenericDecoder()) {
        GTEST_SKIP() << "libheif1 is not installed, or orvalis-decoder is not built";
    }
    for (const char* name : {"quadrants.heic", "quadrants.avif"}) {
        SCOPED_TRACE(name);
        const QString file = QStringLiteral(ORVALIS_TEST_DATA_DIR "/seeds/") + QLatin1String(name);
        QImage here;
        ASSERT_TRUE(heif.Load(file, here));
        EXPECT_EQ(here.size(), QSize(24, 16));
        QImage there;
        ASSERT_TRUE(LoadWithGenericDecoder(file, there));
        EXPECT_EQ(there.convertToFormat(QImage::Format_RGB32), here);
        QImage thumbnail;
        ASSERT_TRUE(LoadThumbnailWithGenericDecoder(file, QSize(160, 120), Qt::white, thumbnail));
        EXPECT_EQ(thumbnail.size(), QSize(160, 120));
    }
}

// A phone's photograph carries its colour profile (an ICC "prof" here): it reaches the program with the
// picture from the decoder process, and the thumbnail made there is converted with it.
TEST(HeifBindingTest, ThePicturesProfileComesWithIt) {
    const THeifDecoder heif;
    QFile adobe(QStringLiteral("/usr/share/color/icc/compatibleWithAdobeRGB1998.icc"));
    if (!heif.Loaded() || !InitGenericDecoder() || !adobe.open(QIODevice::ReadOnly) ||
        !ToolSucceeds(QStringLiteral("heif-enc"), {QStringLiteral("--version")})) {
        GTEST_SKIP() << "libheif1, heif-enc, orvalis-decoder or icc-profiles-free is missing";
    }
    QTemporaryDir folder;
    QImage red(64, 48, QImage::Format_RGB32);
    red.fill(qRgb(250, 30, 30));
    red.setColorSpace(QColorSpace::fromIccProfile(adobe.readAll()));
    ASSERT_TRUE(red.save(folder.filePath("red.png")));
    const QString file = folder.filePath("red.heic");
    ASSERT_TRUE(
        ToolSucceeds(QStringLiteral("heif-enc"), {"-q", "95", folder.filePath("red.png"), "-o", file}));
    QImage expected = red;
    ConvertToDisplay(expected);
    ASSERT_NE(expected.pixel(0, 0), red.pixel(0, 0));

    QImage there;
    ASSERT_TRUE(LoadWithGenericDecoder(file, there));
    EXPECT_TRUE(NeedsColourConversion(there.colorSpace()));
    ConvertToDisplay(there);
    QImage thumbnail;
    ASSERT_TRUE(LoadThumbnailWithGenericDecoder(file, QSize(160, 120), Qt::white, thumbnail));
    for (const QRgb shown : {there.pixel(32, 24), thumbnail.pixel(80, 60)}) {
        EXPECT_NEAR(qRed(shown), qRed(expected.pixel(0, 0)), 3);
        EXPECT_NEAR(qGreen(shown), qGreen(expected.pixel(0, 0)), 3);
        EXPECT_NEAR(qBlue(shown), qBlue(expected.pixel(0, 0)), 3);
    }
}

}  // namespace

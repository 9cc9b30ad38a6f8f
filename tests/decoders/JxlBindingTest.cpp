#include <gtest/gtest.h>

#include <QColorSpace>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <algorithm>

#include "CameraJpeg.h"
#include "DecoderServer.h"
#include "FileMaker.h"
#include "FormatRegistry.h"
#include "FreeImageLoader.h"
#include "JxlBinding.h"
#include "Orientation.h"
#include "PictureFiles.h"
#include "PixelCompare.h"

namespace {

using picturetest::ToolSucceeds;

static_assert(MaxJxlFileBytes == MaxPictureFileBytes, "the decoder process refuses what the program refuses");

TEST(JxlBindingTest, KnowsJpegXlFilesByTheirHead) {
    const QByteArray container = QByteArray::fromHex("0000000C4A584C200D0A870A");
    const struct {
        QByteArray Head;
        bool Jxl;
    } cases[] = {
        {QByteArray::fromHex("FF0AFA1F"), true},                           // a bare codestream
        {QByteArray::fromHex("FF0A"), true},                               // its signature alone
        {container + QByteArray::fromHex("0000001466747970"), true},       // the container
        {container.left(8), false},                                        // the container cut short
        {QByteArray::fromHex("0000000C6A5020200D0A870A"), false},          // JPEG 2000's signature box
        {QByteArray::fromHex("0000001866747970686569636D696631"), false},  // a HEIF file's head
        {QByteArray::fromHex("FFD8FFE000104A464946"), false},              // a JPEG
        {QByteArray::fromHex("FF"), false},
        {QByteArray(), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsJxlHead(c.Head), c.Jxl) << c.Head.toHex().toStdString();
    }
}

TEST(JxlBindingTest, WithoutTheLibraryNothingIsRead) {
    const TJxlDecoder missing("libjxl-that-is-not-there.so.0.7");
    EXPECT_FALSE(missing.Loaded());
    QImage picture;
    EXPECT_FALSE(missing.Load(QStringLiteral("/nowhere.jxl"), picture));
    EXPECT_TRUE(picture.isNull());
}

// The tests that make their files with libjxl's encoder and read them with its decoder as well.
class JxlToolsTest : public testing::Test {
protected:
    void SetUp() override {
        if (!Jxl.Loaded() || !ToolSucceeds(QStringLiteral("cjxl"), {QStringLiteral("--version")}) ||
            !ToolSucceeds(QStringLiteral("djxl"), {QStringLiteral("--version")})) {
            GTEST_SKIP() << "libjxl0.7 or cjxl and djxl (Debian package libjxl-tools) are not installed";
        }
    }

    const TJxlDecoder Jxl;
    QTemporaryDir Folder;
};

// A grey ramp with fine detail, for the grey pictures the format keeps as one channel.
QImage GreyDetail(int width, int height) {
    QImage picture(width, height, QImage::Format_Grayscale8);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int grey = (x * 3 + (x ^ y) % 7) % 256;
            picture.setPixel(x, y, qRgb(grey, grey, grey));
        }
    }
    return picture;
}

// The largest difference of a byte of two 32-bit pictures; 256 when their sizes or formats differ.
int Difference(const QImage& a, const QImage& b) {
    const int difference = testsupport::MaxByteDifference(a, b);
    return difference < 0 ? 256 : difference;
}

// The same for two pictures of four quadrants, at the quadrants' middles only: away from the edges that a
// coding with loss blurs.
int QuadrantsDifference(const QImage& picture, const QImage& quadrants) {
    if (picture.size() != quadrants.size()) {
        return 256;
    }
    const int w = quadrants.width();
    const int h = quadrants.height();
    int largest = 0;
    for (const QPoint at : {QPoint(w / 4, h / 4), QPoint(3 * w / 4, h / 4), QPoint(w / 4, 3 * h / 4),
                            QPoint(3 * w / 4, 3 * h / 4)}) {
        largest = std::max(largest, Difference(picture.copy(QRect(at, QSize(1, 1))),
                                               quadrants.copy(QRect(at, QSize(1, 1)))));
    }
    return largest;
}

// JPEG XL files made by libjxl's own encoder (cjxl), without loss and with it, opaque, with alpha, grey, and
// a JPEG recompressed without loss whose EXIF says to turn it a quarter: each read as libjxl's own decoder
// (djxl) reads it, transparent ones laid on black, within the rounding of each file's kind; the same
// without the library's thread pool. The decoder process's backend takes them by their head, whatever their
// name.
TEST_F(JxlToolsTest, ReadsJpegXlAsTheLibrarysOwnDecoderDoes) {
    const QImage detail = picturetest::DetailWithSoftEdge(96, 64);
    detail.convertToFormat(QImage::Format_RGB32).save(Folder.filePath("opaque.png"));
    detail.save(Folder.filePath("alpha.png"));
    GreyDetail(96, 64).save(Folder.filePath("grey.png"));
    const QImage quadrants = picturetest::Quadrants(48, 32);
    testsupport::MakeFile(Folder.filePath("turned.jpg"), testsupport::CameraJpeg(quadrants, 6));
    const struct {
        const char* Name;
        const char* Source;
        QStringList Options;
        QSize Size;  // upright
        int Tolerance;
    } cases[] = {
        {"lossless.jxl", "opaque.png", {"-d", "0"}, {96, 64}, 0},
        {"lossy.jxl", "opaque.png", {"-d", "1"}, {96, 64}, 1},
        {"alpha.jxl", "alpha.png", {"-d", "0"}, {96, 64}, 0},
        {"lossy-alpha.jxl", "alpha.png", {"-d", "1.5"}, {96, 64}, 1},
        {"grey.jxl", "grey.png", {"-d", "0"}, {96, 64}, 0},
        {"turned.jxl", "turned.jpg", {"--lossless_jpeg=1"}, {32, 48}, 1},
    };
    const TJxlDecoder oneThread(JxlLibrary, "libjxl_threads-that-is-not-there.so.0.7");
    const TPicturesBackend backend;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const QString file = Folder.filePath(QString::fromLatin1(c.Name));
        const QString reference = file + QStringLiteral(".png");
        if (!ToolSucceeds(
                QStringLiteral("cjxl"),
                QStringList{Folder.filePath(QString::fromLatin1(c.Source)), file, "--quiet"} + c.Options)) {
            ADD_FAILURE() << "cjxl could not write " << c.Name;
            continue;
        }
        ASSERT_TRUE(ToolSucceeds(QStringLiteral("djxl"), {file, reference, "--quiet"}));
        const QImage expected = picturetest::OnBlack(QImage(reference));
        ASSERT_EQ(expected.size(), c.Size);

        QImage ours;
        ASSERT_TRUE(Jxl.Load(file, ours));
        ASSERT_EQ(ours.size(), c.Size);
        EXPECT_EQ(ours.format(), QImage::Format_RGB32);
        EXPECT_FALSE(ours.colorSpace().isValid()) << "sRGB: no profile to convert from";
        EXPECT_LE(Difference(ours, expected), c.Tolerance);

        QImage withoutThreads;
        ASSERT_TRUE(oneThread.Load(file, withoutThreads));
        EXPECT_EQ(withoutThreads, ours);

        const QString misnamed = Folder.filePath(QStringLiteral("IMG_0001.jpg"));
        QFile::remove(misnamed);
        ASSERT_TRUE(QFile::copy(file, misnamed));
        QImage throughBackend;
        ASSERT_TRUE(backend.Load(misnamed, throughBackend));
        EXPECT_EQ(throughBackend, ours);

        if (c.Size == QSize(32, 48)) {
            // Turned once: each quadrant where the upright picture has it.
            QImage upright = quadrants;
            ApplyExifOrientation(upright, 6);
            EXPECT_LE(QuadrantsDifference(ours, upright), 8);
        }
    }
}

// A picture in Adobe RGB: kept without loss it keeps its colours and carries the profile, which converts
// it as the source's own profile does; coded with loss (in the format's own colour space) it comes out in
// sRGB, as djxl gives it when asked for sRGB.
TEST_F(JxlToolsTest, CarriesTheFilesColourProfileOrComesOutInSrgb) {
    // Smooth, so that the coding with loss stays close to it; inside sRGB's gamut.
    QImage source(96, 64, QImage::Format_RGB32);
    for (int y = 0; y < source.height(); ++y) {
        for (int x = 0; x < source.width(); ++x) {
            source.setPixel(x, y, qRgb(60 + x * 150 / 96, 60 + y * 150 / 64, 200 - (x + y) * 120 / 160));
        }
    }
    source.setColorSpace(QColorSpace::AdobeRgb);
    const QString png = Folder.filePath("adobe.png");
    ASSERT_TRUE(source.save(png));
    const QImage inSrgb = source.convertedToColorSpace(QColorSpace::SRgb);

    const QString lossless = Folder.filePath("lossless.jxl");
    ASSERT_TRUE(ToolSucceeds(QStringLiteral("cjxl"), {png, lossless, "-d", "0", "--quiet"}));
    QImage kept;
    ASSERT_TRUE(Jxl.Load(lossless, kept));
    EXPECT_EQ(Difference(kept, source), 0) << "the file's own colours";
    ASSERT_TRUE(kept.colorSpace().isValid());
    EXPECT_LE(Difference(kept.convertedToColorSpace(QColorSpace::SRgb), inSrgb), 1);

    const QString lossy = Folder.filePath("lossy.jxl");
    const QString reference = Folder.filePath("lossy.png");
    ASSERT_TRUE(ToolSucceeds(QStringLiteral("cjxl"), {png, lossy, "-d", "1", "--quiet"}));
    ASSERT_TRUE(ToolSucceeds(QStringLiteral("djxl"),
                             {lossy, reference, "--color_space=RGB_D65_SRG_Rel_SRG", "--quiet"}));
    QImage converted;
    ASSERT_TRUE(Jxl.Load(lossy, converted));
    EXPECT_FALSE(converted.colorSpace().isValid());
    EXPECT_LE(Difference(converted, QImage(reference).convertToFormat(QImage::Format_RGB32)), 1);
    EXPECT_GT(testsupport::PsnrRgb(converted, inSrgb), 35.0) << "the colours of the source, in sRGB";
}

// Files cut short anywhere, and a file larger than any picture file, are not read.
TEST(JxlBindingTest, RefusesCutShortAndOversizedFiles) {
    const TJxlDecoder jxl;
    if (!jxl.Loaded()) {
        GTEST_SKIP() << "libjxl0.7 is not installed";
    }
    QTemporaryDir folder;
    const QByteArray whole =
        testsupport::ReadBytes(QStringLiteral(ORVALIS_TEST_DATA_DIR "/seeds/quadrants.jxl"));
    ASSERT_GT(whole.size(), 100);
    QImage picture;
    ASSERT_TRUE(jxl.Load(testsupport::MakeFile(folder.filePath("whole.jxl"), whole), picture));
    for (const qsizetype length :
         {qsizetype(1), qsizetype(2), qsizetype(12), whole.size() / 2, whole.size() - 1}) {
        SCOPED_TRACE(length);
        QImage cut;
        EXPECT_FALSE(jxl.Load(testsupport::MakeFile(folder.filePath("cut.jxl"), whole.left(length)), cut));
        EXPECT_TRUE(cut.isNull());
    }
    const QString oversized = testsupport::MakeFile(folder.filePath("oversized.jxl"), whole);
    {
        QFile file(oversized);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite) && file.resize(MaxJxlFileBytes + 1));
    }
    QImage none;
    EXPECT_FALSE(jxl.Load(oversized, none));
    EXPECT_FALSE(jxl.Load(QStringLiteral("/proc/self/pagemap"), none));
}

// The program's side: a JPEG XL file goes to the decoder process (its registry row has no reader in the
// program), which decodes the whole picture or its thumbnail with libjxl.
TEST(JxlBindingTest, TheDecoderProcessReadsThemForTheProgram) {
    const TJxlDecoder jxl;
    if (!jxl.Loaded() || !InitGenericDecoder()) {
        GTEST_SKIP() << "libjxl0.7 is not installed, or orvalis-decoder is not built";
    }
    const QString file = QStringLiteral(ORVALIS_TEST_DATA_DIR "/seeds/quadrants.jxl");
    QImage here;
    ASSERT_TRUE(jxl.Load(file, here));
    EXPECT_EQ(here.size(), QSize(24, 16));
    EXPECT_LE(QuadrantsDifference(here, picturetest::Quadrants(24, 16)), 16) << "coded with loss";
    QImage there;
    ASSERT_TRUE(LoadWithGenericDecoder(file, there));
    EXPECT_EQ(there.convertToFormat(QImage::Format_RGB32), here);
    QImage thumbnail;
    ASSERT_TRUE(LoadThumbnailWithGenericDecoder(file, QSize(160, 120), Qt::white, thumbnail));
    EXPECT_EQ(thumbnail.size(), QSize(160, 120));
}

}  // namespace

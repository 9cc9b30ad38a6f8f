#include <gtest/gtest.h>

#include <QFile>
#include <QLoggingCategory>
#include <QProcess>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include <algorithm>
#include <thread>
#include <vector>

#include "FileMaker.h"
#include "FormatRegistry.h"
#include "FreeImageLoader.h"
#include "Jpeg2000Bitmap.h"
#include "PictureFiles.h"
#include "Pillow.h"
#include "TurboJpegFiles.h"

using picturetest::Quadrants;
using picturetest::Saved;

namespace {

QByteArray Jp2Of(const QImage& picture) {
    TJpeg2000Bitmap bitmap;
    bitmap.Lossless = true;
    bitmap.Assign(picture.convertToFormat(QImage::Format_BGR888));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    bitmap.SaveToStream(buffer);
    return bytes;
}

QByteArray TargaOf(const QImage& picture) {
    const QImage pixels = picture.convertToFormat(QImage::Format_BGR888);
    QByteArray bytes;
    for (int y = 0; y < pixels.height(); ++y) {
        bytes.append(reinterpret_cast<const char*>(pixels.constScanLine(y)), pixels.width() * 3);
    }
    return picturetest::Targa(2, pixels.width(), pixels.height(), bytes, true);
}

TEST(FormatRegistryTest, RegistersEveryExtensionOnce) {
    const QStringList expected =
        QString(
            "bmp ico wmf emf jfif jpg jpe jpeg rle dib jp2 j2k jpc win vst vda tga icb tiff "
            "tif fax eps pcx pcc scr rpf rla sgi rgba rgb bw psd pdd ppm pgm pbm cel pic pcd "
            "gif cut psp png webp heic heif avif jxl")
            .split(' ');
    QStringList registered;
    for (const TPictureFormat& format : PictureFormats()) {
        registered << QString::fromLatin1(format.Extension);
    }
    EXPECT_EQ(registered, expected);
    for (const char* extension : {"jp2", ".J2K", "Jpc"}) {
        const TPictureFormat* format = FindPictureFormat(QString::fromLatin1(extension));
        ASSERT_NE(format, nullptr) << extension;
        EXPECT_STREQ(format->Description, "JPEG 2000 Image");
        EXPECT_EQ(format->Reader, TPictureReader::Jpeg2000);
    }
    EXPECT_EQ(FindPictureFormat("xyz"), nullptr);
    EXPECT_EQ(FindPictureFormat(""), nullptr);
}

TEST(FormatRegistryTest, ReadsEachFormatWithTheReaderOfItsExtension) {
    const QImage picture = Quadrants(16, 12);
    const QByteArray bmp = Saved(picture, "bmp");
    const struct {
        const char* Extension;
        QByteArray Bytes;
        int Tolerance;  // lossy formats
    } cases[] = {
        {"jpg", Saved(picture, "jpg"), 12},
        {"JPEG", Saved(picture, "jpg"), 12},
        {"jfif", Saved(picture, "jpg"), 12},
        {"jp2", Jp2Of(picture), 0},
        {"png", Saved(picture, "png"), 0},
        {"tif", Saved(picture, "tiff"), 0},
        {"ppm", Saved(picture, "ppm"), 0},
        {"ico", Saved(picture, "ico"), 0},
        {"tga", TargaOf(picture), 0},
        {"vda", TargaOf(picture), 0},
        {"bmp", bmp, 0},
        {"dib", bmp, 0},
        {"xyz", bmp, 0},  // "BM" first: a Windows bitmap whatever the name
        {"png", bmp, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Extension);
        const QImage loaded = LoadPictureBytes(c.Bytes, QString::fromLatin1(c.Extension));
        ASSERT_EQ(loaded.size(), picture.size());
        for (const QPoint point : {QPoint(0, 0), QPoint(15, 0), QPoint(0, 11), QPoint(15, 11)}) {
            const QRgb got = loaded.pixel(point);
            const QRgb want = picture.pixel(point);
            EXPECT_NEAR(qRed(got), qRed(want), c.Tolerance) << point.x() << "," << point.y();
            EXPECT_NEAR(qGreen(got), qGreen(want), c.Tolerance) << point.x() << "," << point.y();
            EXPECT_NEAR(qBlue(got), qBlue(want), c.Tolerance) << point.x() << "," << point.y();
        }
    }
    EXPECT_EQ(LoadPictureBytes(Saved(picture, "jpg"), "jpg").format(), QImage::Format_RGB32);
}

TEST(FormatRegistryTest, RaisesForWhatItCannotRead) {
    const QImage picture = Quadrants(8, 8);
    const QByteArray png = Saved(picture, "png");
    const QByteArray hugePpm = "P6\n30000 30000\n255\n" + QByteArray(300, '\x7F');
    QByteArray hugeJpeg = Saved(picture, "jpg");
    const qsizetype frame = hugeJpeg.indexOf("\xFF\xC0");
    ASSERT_GT(frame, 0);
    hugeJpeg.replace(frame + 5, 4, QByteArray("\x4E\x20\x4E\x20", 4));
    const QString tooLarge = "The picture is too large to load (%1 x %1 pixels)";
    const struct {
        const char* Name;
        QByteArray Bytes;
        const char* Extension;
        QString Message;  // empty: any message
    } cases[] = {
        {"unknown extension", png, "xyz", "Unknown picture file extension \"xyz\""},
        {"no extension", png, "", "Unknown picture file extension \"\""},
        {"registered without a reader here", png, "psd", "No reader for Photoshop pictures here"},
        {"content of another format", png, "gif", {}},
        {"cut short", png.left(40), "png", {}},
        {"not a JPEG", png, "jpg", {}},
        {"declared too large", hugePpm, "ppm", tooLarge.arg(30000)},
        {"JPEG declared too large", hugeJpeg, "jpg", tooLarge.arg(20000)},
        {"JPEG 2000 reader's own error", png, "jp2", "Unknown JPEG 2000 file type"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        try {
            LoadPictureBytes(c.Bytes, QString::fromLatin1(c.Extension));
            ADD_FAILURE() << "no error";
        } catch (const EInvalidPicture& error) {
            if (!c.Message.isEmpty()) {
                EXPECT_EQ(error.Message, c.Message);
            }
        }
    }
}

TEST(FormatRegistryTest, LoadsFilesByTheirNames) {
    QTemporaryDir folder;
    const QImage picture = Quadrants(6, 4);
    const QString bitmapAsText = testsupport::MakeFile(folder.filePath("bitmap.xyz"), Saved(picture, "bmp"));
    const QString png = testsupport::MakeFile(folder.filePath("picture.PNG"), Saved(picture, "png"));
    const QString text = testsupport::MakeFile(folder.filePath("notes.txt"), "text");
    EXPECT_EQ(LoadPictureFile(bitmapAsText).convertToFormat(QImage::Format_RGB32), picture);
    EXPECT_EQ(LoadPictureFile(png).convertToFormat(QImage::Format_RGB32), picture);
    EXPECT_THROW(LoadPictureFile(text), EInvalidPicture);
    EXPECT_THROW(LoadPictureFile(folder.filePath("missing.png")), EFileError);
}

// No file is taken whole without a ceiling, and only regular files are opened: a sparse file larger than
// any picture, a link to a file of the system's that never ends, a FIFO that would block, a device.
TEST(FormatRegistryTest, ReadsOnlyRegularFilesUpToThePictureFileLimit) {
    QTemporaryDir folder;
    const QString sparse = folder.filePath("sparse.png");
    {
        QFile file(sparse);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(Saved(Quadrants(6, 4), "png"));
        ASSERT_TRUE(file.resize(MaxPictureFileBytes + 1));
    }
    const QString endless = folder.filePath("endless.jpg");
    ASSERT_TRUE(QFile::link(QStringLiteral("/proc/self/pagemap"), endless));
    const QString fifo = folder.filePath("fifo.png");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString device = folder.filePath("zero.jpg");
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), device));
    for (const QString& path : {sparse, fifo, device, folder.path() + QStringLiteral("/")}) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_THROW(LoadPictureFile(path), EFileError);
    }
    EXPECT_THROW(LoadJpeg2000File(device), EFileError);
    // It says it is empty, and reads so.
    EXPECT_TRUE(ReadPictureFile(endless).isEmpty());
    EXPECT_THROW(LoadPictureFile(endless), EInvalidPicture);
}

bool HasAdobeSegment(const QByteArray& jpeg) {
    return jpeg.contains(QByteArray("\xFF\xEE", 2)) && jpeg.contains("Adobe");
}

// CMYK and YCCK JPEGs are read by the registry's own JPEG reader, with the colours Pillow gives them
// (Image.convert("RGB")). Pillow writes the CMYK file (with Adobe's segment, and the same file without
// it, which Pillow reads the same way); libjpeg-turbo writes the YCCK one.
TEST(FormatRegistryTest, ReadsCmykAndYcckJpegsWithPillowsColours) {
    const QString python = testsupport::PythonWithPillow();
    if (python.isEmpty()) {
        GTEST_SKIP() << "python3-pil is not installed";
    }
    constexpr int Width = 48, Height = 32;
    QTemporaryDir folder;
    const QByteArray inks = picturetest::Inks(Width, Height);
    testsupport::MakeFile(folder.filePath("inks.raw"), inks);
    const QByteArray ycck = picturetest::YcckJpeg(inks, Width, Height);
    ASSERT_TRUE(HasAdobeSegment(ycck));
    testsupport::MakeFile(folder.filePath("ycck.jpg"), ycck);
    QProcess pillow;
    pillow.start(
        python,
        {QStringLiteral("-c"),
         QStringLiteral(
             "import sys\nfrom PIL import Image\n"
             "d, w, h = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])\n"
             "inks = open(d + '/inks.raw', 'rb').read()\n"
             "Image.frombytes('CMYK', (w, h), inks).save(d + '/cmyk.jpg', quality=95)\n"
             "b = open(d + '/cmyk.jpg', 'rb').read()\n"
             "i = b.find(b'\\xff\\xee')\n"
             "open(d + '/plain.jpg', 'wb').write(b[:i] + b[i + 2 + b[i + 2] * 256 + b[i + 3]:])\n"
             "for name in ('cmyk', 'plain', 'ycck'):\n"
             "    Image.open(d + '/' + name + '.jpg').convert('RGB').save(d + '/' + name + '.png')\n"),
         folder.path(), QString::number(Width), QString::number(Height)});
    ASSERT_TRUE(pillow.waitForFinished(60000));
    ASSERT_EQ(pillow.exitCode(), 0) << pillow.readAllStandardError().toStdString();
    ASSERT_TRUE(HasAdobeSegment(testsupport::ReadBytes(folder.filePath("cmyk.jpg"))));
    ASSERT_FALSE(HasAdobeSegment(testsupport::ReadBytes(folder.filePath("plain.jpg"))));

    for (const char* name : {"cmyk", "plain", "ycck"}) {
        SCOPED_TRACE(name);
        const QImage expected =
            QImage(folder.filePath(QString::fromLatin1(name) + ".png")).convertToFormat(QImage::Format_RGB32);
        const QImage ours = LoadPictureFile(folder.filePath(QString::fromLatin1(name) + ".jpg"));
        ASSERT_EQ(ours.format(), QImage::Format_RGB32);
        ASSERT_EQ(ours.size(), QSize(Width, Height));
        ASSERT_EQ(expected.size(), QSize(Width, Height));
        int differing = 0;
        for (int y = 0; y < Height; ++y) {
            for (int x = 0; x < Width; ++x) {
                differing += ours.pixel(x, y) == expected.pixel(x, y) ? 0 : 1;
            }
        }
        EXPECT_EQ(differing, 0) << "first pixel " << std::hex << ours.pixel(0, 0) << " / "
                                << expected.pixel(0, 0);
    }
}

// The RGBA pixels of a PAM file as dwebp writes it ("P7", a header ended by "ENDHDR", TUPLTYPE RGB_ALPHA).
QImage ReadPam(const QByteArray& bytes) {
    const qsizetype end = bytes.indexOf("ENDHDR\n");
    if (!bytes.startsWith("P7\n") || end < 0) {
        return {};
    }
    int width = 0, height = 0;
    for (const QByteArray& line : bytes.left(end).split('\n')) {
        const QList<QByteArray> words = line.split(' ');
        if (words.size() == 2 && words[0] == "WIDTH") {
            width = words[1].toInt();
        } else if (words.size() == 2 && words[0] == "HEIGHT") {
            height = words[1].toInt();
        }
    }
    const QByteArray pixels = bytes.mid(end + 7);
    if (width <= 0 || height <= 0 || pixels.size() < qsizetype(width) * height * 4) {
        return {};
    }
    return QImage(reinterpret_cast<const uchar*>(pixels.constData()), width, height, width * 4,
                  QImage::Format_RGBA8888)
        .copy();
}

// WebP files made by libwebp's own encoder (cwebp): lossy, lossless and lossless with alpha, each read
// as libwebp's own decoder (dwebp) reads it.
TEST(FormatRegistryTest, ReadsWebPAsItsOwnDecoderDoes) {
    QTemporaryDir folder;
    using picturetest::ToolSucceeds;
    if (!ToolSucceeds(QStringLiteral("cwebp"), {QStringLiteral("-version")})) {
        GTEST_SKIP() << "cwebp is not installed (Debian package webp)";
    }
    const QImage picture = picturetest::DetailWithSoftEdge(97, 61);
    picture.convertToFormat(QImage::Format_RGB32).save(folder.filePath("opaque.png"));
    picture.save(folder.filePath("alpha.png"));
    const struct {
        const char* Name;
        QStringList Encode;
    } cases[] = {
        {"lossy", {"-q", "80", folder.filePath("opaque.png")}},
        {"lossless", {"-lossless", folder.filePath("opaque.png")}},
        {"alpha", {"-lossless", "-exact", folder.filePath("alpha.png")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const QString webp = folder.filePath(QString::fromLatin1(c.Name) + ".webp");
        const QString pam = folder.filePath(QString::fromLatin1(c.Name) + ".pam");
        ASSERT_TRUE(ToolSucceeds(QStringLiteral("cwebp"), c.Encode + QStringList{"-quiet", "-o", webp}));
        ASSERT_TRUE(ToolSucceeds(QStringLiteral("dwebp"), {webp, "-pam", "-quiet", "-o", pam}));
        const QImage expected = ReadPam(testsupport::ReadBytes(pam));
        ASSERT_EQ(expected.size(), picture.size());
        const QImage ours = LoadPictureFile(webp).convertToFormat(QImage::Format_RGBA8888);
        ASSERT_EQ(ours.size(), picture.size());
        int worst = 0;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                const QColor a = ours.pixelColor(x, y);
                const QColor b = expected.pixelColor(x, y);
                worst = std::max({worst, std::abs(a.alpha() - b.alpha()),
                                  b.alpha() == 0 ? 0 : std::abs(a.red() - b.red()),
                                  b.alpha() == 0 ? 0 : std::abs(a.green() - b.green()),
                                  b.alpha() == 0 ? 0 : std::abs(a.blue() - b.blue())});
            }
        }
        EXPECT_LE(worst, 1);
    }
}

// What the calls of `work` write to standard error, caught at its file descriptor, where a C library
// writes.
template <class Work>
QByteArray StandardErrorOf(Work work) {
    std::fflush(stderr);
    QTemporaryFile capture;
    if (!capture.open()) {
        return "no capture file";
    }
    const int saved = dup(STDERR_FILENO);
    dup2(capture.handle(), STDERR_FILENO);
    work();
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    capture.seek(0);
    return capture.readAll();
}

QStringList TiffLogMessages;

void KeepTiffLogMessages(QtMsgType, const QMessageLogContext& context, const QString& text) {
    if (qstrcmp(context.category, "orvalis.decoders.tiff") == 0) {
        TiffLogMessages.append(text);
    }
}

// libtiff's complaints about tags it does not know stay off standard error; they go to a debug logging
// category, where they can be turned on.
TEST(FormatRegistryTest, TiffLibraryMessagesGoToADebugCategoryNotStandardError) {
    const QByteArray tiff = picturetest::TiffWithExifTagsInItsMainDirectory();
    QImage picture;
    EXPECT_EQ(StandardErrorOf([&] { picture = LoadPictureBytes(tiff, "tif"); }), QByteArray());
    ASSERT_EQ(picture.size(), QSize(2, 2));
    EXPECT_EQ(qGray(picture.pixel(1, 0)), 0x55);
    EXPECT_EQ(qGray(picture.pixel(1, 1)), 0xFF);

    TiffLogMessages.clear();
    QLoggingCategory::setFilterRules(QStringLiteral("orvalis.decoders.tiff.debug=true"));
    const QtMessageHandler previous = qInstallMessageHandler(KeepTiffLogMessages);
    LoadPictureBytes(tiff, "tif");
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());
    EXPECT_TRUE(TiffLogMessages.join('\n').contains(QStringLiteral("33434")))
        << TiffLogMessages.join('\n').toStdString();
}

// An ordinary Targa file, as most programs write it, has no TGA 2.0 footer: Qt's reader refuses it, so it
// is not asked (it would say so on standard error), and the generic decoder reads the file.
TEST(FormatRegistryTest, OrdinaryTargaFilesGoToTheGenericDecoderQuietly) {
    // 2 x 1, uncompressed true colour, bottom-up: a red pixel and a blue one (blue, green, red bytes).
    QByteArray targa("\0\0\x02\0\0\0\0\0\0\0\0\0\x02\0\x01\0\x18\0", 18);
    targa.append("\0\0\xFF\xFF\0\0", 6);
    QByteArray standardError =
        StandardErrorOf([&] { EXPECT_THROW(LoadPictureBytes(targa, "tga"), EInvalidPicture); });
    EXPECT_EQ(standardError, QByteArray());
    // With the footer Qt's reader takes it.
    const QByteArray footed = targa + QByteArray(8, '\0') + QByteArray("TRUEVISION-XFILE.\0", 18);
    QImage picture;
    EXPECT_EQ(StandardErrorOf([&] { picture = LoadPictureBytes(footed, "tga"); }), QByteArray());
    ASSERT_EQ(picture.size(), QSize(2, 1));
    EXPECT_EQ(picture.pixel(0, 0) & 0xFFFFFF, 0xFF0000u);

    if (!InitGenericDecoder()) {
        GTEST_SKIP() << "FreeImage (libfreeimage3) is not installed";
    }
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("ordinary.tga"));
    testsupport::MakeFile(path, targa);
    QImage generic;
    ASSERT_TRUE(LoadWithGenericDecoder(path, generic));
    ASSERT_EQ(generic.size(), QSize(2, 1));
    EXPECT_EQ(generic.pixel(0, 0) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(generic.pixel(1, 0) & 0xFFFFFF, 0x0000FFu);
}

TEST(FormatRegistryTest, ReadsFromSeveralThreadsAtOnce) {
    const QImage picture = Quadrants(64, 48);
    const std::vector<std::pair<QByteArray, QString>> files = {
        {Saved(picture, "jpg"), "jpg"}, {Saved(picture, "png"), "png"}, {Jp2Of(picture), "jp2"}};
    std::vector<QImage> expected;
    for (const auto& [bytes, extension] : files) {
        expected.push_back(LoadPictureBytes(bytes, extension));
    }
    std::vector<int> mismatches(4, 0);
    std::vector<std::thread> threads;
    for (int& count : mismatches) {
        threads.emplace_back([&] {
            for (int round = 0; round < 10; ++round) {
                for (std::size_t i = 0; i < files.size(); ++i) {
                    count += LoadPictureBytes(files[i].first, files[i].second) == expected[i] ? 0 : 1;
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

}  // namespace

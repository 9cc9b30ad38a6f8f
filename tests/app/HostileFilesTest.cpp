// Damaged picture files, as a memory card or a mail attachment produces them, through both roads a
// picture takes in the program: the thumbnail workers' rendering and the show pipeline, with the real
// decoders and the real generic decoder in its processes. Small pictures of every format the program
// reads are mutated with a fixed seed; whatever a file does to a decoder, the program goes on, every
// file gets its thumbnail (the picture or the red "not supported" text) and the show steps over it.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <random>

#include "ExifReader.h"
#include "FileMaker.h"
#include "FormatRegistry.h"
#include "FreeImageLoader.h"
#include "GenericDecoderPool.h"
#include "Jpeg2000Bitmap.h"
#include "PictureFiles.h"
#include "ShowImage.h"
#include "ThumbnailsProcessing.h"
#include "TurboJpegFiles.h"

using namespace std::chrono_literals;
using namespace picturetest;

namespace {

constexpr int MutatedFileCount = 400;
constexpr unsigned MutationSeed = 20261210;

struct TSeed {
    const char* Extension;
    QByteArray Bytes;
};

std::vector<TSeed> Seeds() {
    const QImage picture = Quadrants(24, 16);
    return {
        {"png", Saved(picture, "png")},
        {"bmp", Saved(picture, "bmp")},
        {"gif", Gif(picture)},
        {"tif", Saved(picture, "tiff")},
        {"tga", Targa(2, 24, 16, BgrRows(picture))},
        {"pcx", Pcx(picture)},
        {"psd", Photoshop(picture)},
        {"ras", SunRaster(picture)},
        {"jpg", Saved(picture, "jpg")},
        {"webp", Saved(picture, "webp")},
        // made by libheif's encoder (tests/data/README.md): the decoder process reads them with libheif
        {"heic", testsupport::ReadBytes(QStringLiteral(ORVALIS_TEST_DATA_DIR "/seeds/quadrants.heic"))},
        {"avif", testsupport::ReadBytes(QStringLiteral(ORVALIS_TEST_DATA_DIR "/seeds/quadrants.avif"))},
        // made by libjxl's encoder (tests/data/README.md): the decoder process reads it with libjxl
        {"jxl", testsupport::ReadBytes(QStringLiteral(ORVALIS_TEST_DATA_DIR "/seeds/quadrants.jxl"))},
    };
}

// A few random changes: bytes replaced, bits flipped, extreme values, the file cut short, bytes put in.
QByteArray Mutated(QByteArray bytes, std::mt19937& random) {
    const int changes = 1 + int(random() % 6);
    for (int k = 0; k < changes; ++k) {
        const qsizetype at = qsizetype(random() % quint32(bytes.size()));
        switch (random() % 5) {
            case 0:
                bytes[at] = char(random());
                break;
            case 1:
                bytes[at] = char(bytes[at] ^ (1 << (random() % 8)));
                break;
            case 2: {
                static const char extremes[] = {'\x00', '\xFF', '\x7F', '\x80'};
                bytes[at] = extremes[random() % 4];
                break;
            }
            case 3:
                bytes.truncate(std::max<qsizetype>(10, at));
                break;
            default:
                bytes.insert(at, QByteArray(1 + int(random() % 8), char(random())));
        }
    }
    return bytes;
}

// The files, named mostly by their seed's format, and now and then by another one: the generic decoder
// reads by content whatever a file is called.
QStringList MakeMutatedFiles(const QString& folder) {
    static const char* const otherNames[] = {"png", "bmp", "gif", "tif", "tga",
                                             "pcx", "psd", "ras", "jpg", "JPG"};
    const std::vector<TSeed> seeds = Seeds();
    std::mt19937 random(MutationSeed);
    QStringList files;
    for (int i = 0; i < MutatedFileCount; ++i) {
        const TSeed& seed = seeds[random() % seeds.size()];
        const QByteArray bytes = Mutated(seed.Bytes, random);
        const char* extension = random() % 4 == 0 ? otherNames[random() % 10] : seed.Extension;
        files << testsupport::MakeFile(QStringLiteral("%1/mutated_%2.%3")
                                           .arg(folder)
                                           .arg(i, 4, 10, QLatin1Char('0'))
                                           .arg(QLatin1String(extension)),
                                       bytes);
    }
    return files;
}

class THostileList : public TShowList {
public:
    QStringList Names;
    QString Current;
    int Count() const override { return int(Names.size()); }
    QString FileName(int index) const override { return Names.at(index); }
    QString CurrentImage() const override { return Current; }
    void SetCurrentImage(const QString& path) override { Current = path; }
};

// A preview that keeps every picture handed to it.
class TRecordingSink : public TPictureSink {
public:
    std::vector<QImage> Shown;
    void SetPicture(const QImage& picture) override { Shown.push_back(picture); }
};

// The roads of the program with the real decoders, the generic one in a pool of its own with a short
// deadline, so that the files that stall the library do not make the run long.
class HostileFilesTest : public testing::Test {
protected:
    void SetUp() override {
        if (!Pool.Available()) {
            GTEST_SKIP() << "the generic decoder (orvalis-decoder with libfreeimage3) is not available";
        }
        ThumbnailDecoders = {
            &LoadJpeg2000File,
            [this](const QString& path, QSize box, const QColor& background, QImage& thumbnail) {
                return Pool.LoadThumbnail(path, box, background, thumbnail);
            },
            &LoadPictureFile,
            [this](const QString& path) { return Pool.GaveUpOn(path); },
        };
        ShowDecoders = TShowDecoders::Standard();
        ShowDecoders.Generic = [this](const QString& path, QImage& picture) {
            return Pool.LoadPicture(path, picture);
        };
    }

    // Every file shown in turn, then the show stepped on; returns the pictures handed to the preview.
    std::vector<QImage> Show(const QStringList& files, int steps) {
        THostileList list;
        list.Names = files;
        TSettingsValues settings;
        settings.UseWatermarking = true;
        TShowImage pipeline(
            list, [&] { return settings; }, ShowDecoders);
        TRecordingSink preview;
        for (int i = 0; i < int(files.size()); ++i) {
            pipeline.ShowImage(i, true, preview);
        }
        for (int i = 0; i < steps; ++i) {
            pipeline.ShowNextImage(preview);
        }
        return preview.Shown;
    }

    TGenericDecoderPool Pool{{GenericDecoderExecutable(), 3, 3000ms}};
    TThumbnailDecoders ThumbnailDecoders;
    TShowDecoders ShowDecoders;
    QTemporaryDir Folder;
};

// True when a thumbnail carries the red "not supported" text, not a picture.
bool NotSupported(const QImage& thumbnail) {
    int red = 0;
    for (int y = 0; y < thumbnail.height(); ++y) {
        for (int x = 0; x < thumbnail.width(); ++x) {
            const QRgb p = thumbnail.pixel(x, y);
            red += qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60 ? 1 : 0;
        }
    }
    return red > 20 && thumbnail.pixel(80, 5) == QColor(Qt::white).rgb();
}

// A JPEG of a few hundred bytes whose header declares a picture of width x height.
QByteArray DeclaredJpeg(int width, int height) {
    QByteArray jpeg = Saved(Quadrants(64, 48), "jpg");
    const qsizetype frame = jpeg.indexOf(QByteArray::fromHex("FFC0"));
    qToBigEndian(quint16(height), jpeg.data() + frame + 5);
    qToBigEndian(quint16(width), jpeg.data() + frame + 7);
    return jpeg;
}

// Files that crash FreeImage, stall it, or declare more pixels than any picture may have, named as
// they were found and as a camera names its files: each gets the "not supported" thumbnail, shows
// black, and the show goes on to the good picture after them.
TEST_F(HostileFilesTest, FilesThatCrashOrStallTheLibraryAreNotSupportedAndTheShowGoesOn) {
    const QDir data(QStringLiteral(ORVALIS_TEST_DATA_DIR "/hostile"));
    QStringList hostile;
    for (const QString& name : data.entryList(QDir::Files)) {
        hostile << data.filePath(name);
    }
    ASSERT_EQ(hostile.size(), 5);
    hostile << testsupport::MakeFile(Folder.filePath("IMG_0001.JPG"),
                                     testsupport::ReadBytes(data.filePath("sun-raster-crashes.ras")));
    hostile << testsupport::MakeFile(Folder.filePath("declared-gigapixels.jpg"), DeclaredJpeg(60000, 60000));
    // A progressive JPEG repeating an empty scan twenty thousand times, a sparse file larger than any
    // picture, and a link to a file of the system's that never ends.
    hostile << testsupport::MakeFile(Folder.filePath("IMG_0002.JPG"), picturetest::ScanBomb(512, 512, 20000));
    const QString sparse = Folder.filePath("IMG_0003.png");
    {
        QFile file(sparse);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(qint64(3) << 30));
    }
    hostile << sparse;
    const QString endless = Folder.filePath("IMG_0004.jpg");
    ASSERT_TRUE(QFile::link(QStringLiteral("/proc/self/pagemap"), endless));
    hostile << endless;
    for (const QString& file : hostile) {
        SCOPED_TRACE(file.toStdString());
        QImage thumbnail;
        ASSERT_TRUE(RenderThumbnail(file, thumbnail, Qt::white, ThumbnailDecoders));
        EXPECT_TRUE(NotSupported(thumbnail));
    }

    // Large enough that the watermark keeps to its corner.
    const QString good = testsupport::MakeFile(Folder.filePath("good.pcx"), Pcx(Quadrants(400, 300)));
    const std::vector<QImage> shown = Show(QStringList(hostile) << good, 1);
    ASSERT_FALSE(shown.empty());
    for (std::size_t i = 0; i + 2 < shown.size(); ++i) {
        EXPECT_EQ(shown[i].size(), QSize(0, 0)) << i << ": a file no decoder reads shows black";
    }
    const QImage last = shown[shown.size() - 2];
    ASSERT_EQ(last.size(), QSize(400, 300)) << "the good picture after them";
    EXPECT_EQ(last.pixel(0, 0), Quadrants(400, 300).pixel(0, 0));
    EXPECT_EQ(shown.back().size(), QSize(0, 0)) << "the step from the last entry wraps round to the first";
}

TEST_F(HostileFilesTest, MutatedPicturesNeverEndTheProgram) {
    const QStringList files = MakeMutatedFiles(Folder.path());
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        QImage thumbnail;
        ASSERT_TRUE(RenderThumbnail(file, thumbnail, Qt::white, ThumbnailDecoders));
        ASSERT_EQ(thumbnail.size(), QSize(ThumbnailWidth, ThumbnailHeight));
    }
    const std::vector<QImage> shown = Show(files, 20);
    EXPECT_GE(int(shown.size()), int(files.size()) / 2) << "most files are shown, if only as black";
    std::cout << "[          ] " << files.size()
              << " mutated files; decoder processes started: " << Pool.StartedCount() << "\n";

    // The pool is whole after all of it.
    QImage picture;
    EXPECT_TRUE(
        Pool.LoadPicture(testsupport::MakeFile(Folder.filePath("whole.pcx"), Pcx(Quadrants(8, 8))), picture));
    EXPECT_EQ(picture, Quadrants(8, 8));
}

}  // namespace

// Pictures with embedded colour profiles, read by the program's readers and converted for an sRGB
// monitor, against the same conversion done by Pillow's ImageCms (Little CMS, perceptual intent) on
// Pillow's own decode of the same files.

#include <gtest/gtest.h>

#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "ColourConversion.h"
#include "FitThumbnail.h"
#include "FormatRegistry.h"
#include "JpegReader.h"
#include "Pillow.h"

namespace {

const QString AdobeRgbProfile = QStringLiteral("/usr/share/color/icc/compatibleWithAdobeRGB1998.icc");
const QString SRgbProfile = QStringLiteral("/usr/share/color/icc/sRGB.icc");
const QString CmykProfile = QStringLiteral("/usr/share/color/icc/ghostscript/default_cmyk.icc");

// Writes the fixtures with Pillow: a 96 x 64 picture of saturated and pale colours under noise, as
//   adobe.jpg (tagged Adobe RGB), p3.png (tagged Display P3, the profile Qt writes), srgb.jpg (tagged
//   with the free sRGB profile), plain.png (untagged) and cmyk.jpg (CMYK, tagged with a CMYK profile),
// and each one's sRGB conversion by ImageCms as <name>.sRGB.png.
const char* const MakeFixtures = R"(
import sys, random
from PIL import Image, ImageCms
folder, adobe, p3, srgb, cmyk = sys.argv[1:6]
random.seed(7)
im = Image.new("RGB", (96, 64))
px = im.load()
for y in range(64):
    for x in range(96):
        base = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (250, 200, 40), (30, 160, 220), (200, 190, 180)][(x // 16 + y // 32 * 6) % 6]
        px[x, y] = tuple(max(0, min(255, c + random.randint(-20, 20))) for c in base)
target = ImageCms.createProfile("sRGB")
def save(name, picture, profile_path, **options):
    icc = open(profile_path, "rb").read()
    path = folder + "/" + name
    picture.save(path, icc_profile=icc, **options)
    shown = Image.open(path)
    shown.load()
    source = ImageCms.ImageCmsProfile(profile_path)
    ImageCms.profileToProfile(shown, source, target, renderingIntent=0, outputMode="RGB").save(path + ".sRGB.png")
save("adobe.jpg", im, adobe, quality=95, subsampling=0)
save("p3.png", im, p3)
save("srgb.jpg", im, srgb, quality=95, subsampling=0)
im.save(folder + "/plain.png")
save("cmyk.jpg", im.convert("CMYK"), cmyk, quality=95, subsampling=0)
)";

class ColourProfileTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QString python = testsupport::PythonWithPillow();
        if (python.isEmpty()) {
            GTEST_SKIP() << "python3-pil is not installed";
        }
        for (const QString& profile : {AdobeRgbProfile, SRgbProfile, CmykProfile}) {
            if (!QFile::exists(profile)) {
                GTEST_SKIP() << profile.toStdString() << " is not installed";
            }
        }
        ASSERT_TRUE(Folder.isValid());
        QFile p3(Path("DisplayP3.icc"));
        ASSERT_TRUE(p3.open(QIODevice::WriteOnly));
        p3.write(QColorSpace(QColorSpace::DisplayP3).iccProfile());
        p3.close();
        QProcess maker;
        maker.start(python, {QStringLiteral("-c"), QString::fromUtf8(MakeFixtures), Folder.path(),
                             AdobeRgbProfile, Path("DisplayP3.icc"), SRgbProfile, CmykProfile});
        ASSERT_TRUE(maker.waitForFinished(60000));
        ASSERT_EQ(maker.exitCode(), 0) << maker.readAllStandardError().toStdString();
    }

    QString Path(const QString& name) const { return Folder.filePath(name); }

    static QImage ReadJpeg(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? DecodeJpeg(file.readAll()) : QImage();
    }

    // The mean difference of red, green and blue, in levels.
    static double MeanDifference(const QImage& a, const QImage& b) {
        double sum = 0;
        for (int y = 0; y < a.height(); ++y) {
            for (int x = 0; x < a.width(); ++x) {
                const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
                sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                       std::abs(qBlue(p) - qBlue(q));
            }
        }
        return sum / (3.0 * a.width() * a.height());
    }

    QTemporaryDir Folder;
};

TEST_F(ColourProfileTest, TaggedPicturesShowPillowsConversion) {
    struct TCase {
        const char* Name;
        bool Jpeg;
    };
    for (const TCase& c : {TCase{"adobe.jpg", true}, TCase{"p3.png", false}, TCase{"cmyk.jpg", true}}) {
        SCOPED_TRACE(c.Name);
        const QString path = Path(QString::fromLatin1(c.Name));
        QImage picture = c.Jpeg ? ReadJpeg(path) : LoadPictureFile(path);
        ASSERT_FALSE(picture.isNull());
        ConvertToDisplay(picture);
        const QImage reference =
            QImage(path + QStringLiteral(".sRGB.png")).convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(picture.size(), reference.size());
        EXPECT_LE(MeanDifference(picture, reference), 2.0);
        // The conversion is no small matter for these colours: as stored they are far from it.
        if (QString::fromLatin1(c.Name) != QStringLiteral("cmyk.jpg")) {
            QImage stored = c.Jpeg ? ReadJpeg(path) : LoadPictureFile(path);
            EXPECT_GT(MeanDifference(stored.convertToFormat(QImage::Format_RGB32), reference), 5.0);
        }
    }
}

TEST_F(ColourProfileTest, SRgbAndUntaggedPicturesComeThroughUnchanged) {
    for (const char* name : {"srgb.jpg", "plain.png"}) {
        SCOPED_TRACE(name);
        const QString path = Path(QString::fromLatin1(name));
        const bool jpeg = path.endsWith(QStringLiteral(".jpg"));
        const QImage stored = jpeg ? ReadJpeg(path) : LoadPictureFile(path);
        ASSERT_FALSE(stored.isNull());
        QImage shown = stored;
        EXPECT_FALSE(NeedsColourConversion(shown.colorSpace()));
        ConvertToDisplay(shown);
        EXPECT_EQ(shown, stored);
    }
}

TEST_F(ColourProfileTest, ThumbnailsAreConvertedButNotTheirBackground) {
    const QImage picture = ReadJpeg(Path("adobe.jpg"));
    ASSERT_FALSE(picture.isNull());
    QImage thumbnail;
    FitThumbnail(picture, thumbnail, 160, 120, QColor(0x10, 0x20, 0x30));
    // 96 x 64 is not enlarged: it sits in the middle of the background.
    EXPECT_EQ(thumbnail.pixel(2, 2), qRgb(0x10, 0x20, 0x30));
    QImage unconverted = picture;
    unconverted.setColorSpace(QColorSpace());
    QImage plain;
    FitThumbnail(unconverted, plain, 160, 120, QColor(0x10, 0x20, 0x30));
    const QImage reference = QImage(Path("adobe.jpg.sRGB.png")).convertToFormat(QImage::Format_RGB32);
    const QRect at = FitThumbnailRect(picture.size(), 160, 120);
    EXPECT_LE(MeanDifference(thumbnail.copy(at), reference), 2.0);
    EXPECT_GT(MeanDifference(plain.copy(at), reference), 5.0);
}

TEST_F(ColourProfileTest, ProfileOfAJpegIsReadFromItsHeader) {
    QFile adobe(AdobeRgbProfile);
    ASSERT_TRUE(adobe.open(QIODevice::ReadOnly));
    EXPECT_EQ(ReadJpegColourProfile(Path("adobe.jpg")), adobe.readAll());
    EXPECT_TRUE(ReadJpegColourProfile(Path("plain.png")).isEmpty());
    EXPECT_TRUE(ReadJpegColourProfile(Path("missing.jpg")).isEmpty());
}

// A display with a profile of its own gets the picture's colours in that profile: sRGB pixels shown on
// an Adobe RGB monitor change, and Adobe RGB pixels on it do not.
TEST(ColourConversionTest, ConvertsToTheDisplaysOwnProfile) {
    QFile file(AdobeRgbProfile);
    if (!file.open(QIODevice::ReadOnly)) {
        GTEST_SKIP() << "icc-profiles-free is not installed";
    }
    const QByteArray adobe = file.readAll();
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(qRgb(250, 30, 30));
    QImage tagged = picture;
    tagged.setColorSpace(QColorSpace::fromIccProfile(adobe));
    EXPECT_FALSE(NeedsColourConversion(tagged.colorSpace(), adobe));
    QImage same = tagged;
    ConvertToDisplay(same, adobe);
    EXPECT_EQ(same.pixel(3, 3), picture.pixel(3, 3));

    QImage srgb = picture;
    srgb.setColorSpace(QColorSpace(QColorSpace::SRgb));
    EXPECT_TRUE(NeedsColourConversion(srgb.colorSpace(), adobe));
    ConvertToDisplay(srgb, adobe);
    // Pure sRGB red is less saturated in Adobe RGB's wider gamut.
    EXPECT_LT(qRed(srgb.pixel(3, 3)), 250);
    EXPECT_GT(qGreen(srgb.pixel(3, 3)), 30);

    // A profile Little CMS cannot read leaves the pixels as they are.
    QImage broken = tagged;
    ConvertToDisplay(broken, QByteArray("not a profile"));
    EXPECT_EQ(broken.pixel(3, 3), picture.pixel(3, 3));
}

}  // namespace

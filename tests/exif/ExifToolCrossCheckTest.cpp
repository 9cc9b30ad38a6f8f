// Camera-style JPEGs written by exiftool (Debian's libimage-exiftool-perl): our reader must agree
// with exiftool's own reading of the same files.
#include "ExifBlockBuilder.h"
#include "ExifReader.h"
#include "TempHome.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

constexpr auto Main = ExifDirectoryKind::Main;
constexpr auto Sub = ExifDirectoryKind::ExifSub;
constexpr auto Gps = ExifDirectoryKind::Gps;

QByteArray RunExifTool(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("exiftool"), arguments);
    process.waitForFinished(60000);
    return process.readAllStandardOutput();
}

QString MakeJpeg(const QString& path, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(40, 90, 160));
    image.save(path, "JPEG", 80);
    return path;
}

double Quotient(ExifRational r) {
    return double(r.Numerator) / double(r.Denominator);
}

class ExifToolCrossCheck : public testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable(QStringLiteral("exiftool")).isEmpty()) {
            GTEST_SKIP() << "exiftool (libimage-exiftool-perl) is not installed";
        }
    }
};

TEST_P(ExifToolCrossCheck, ValuesAgreeWithExifTool) {
    const QString folder = testsupport::TempHome() + "/exiftool/" + GetParam();
    QDir().mkpath(folder);
    const QString thumb = MakeJpeg(folder + "/thumb.jpg", QSize(160, 120));
    const QString photo = MakeJpeg(folder + "/photo.jpg", QSize(640, 480));
    RunExifTool({"-q", "-overwrite_original", QStringLiteral("-ExifByteOrder=%1").arg(GetParam()),
                 "-Make=Quenmark", "-Model=QX 100 Mark II", "-DateTimeOriginal=2023:06:15 18:42:07",
                 "-ModifyDate=2023:06:16 07:00:01", "-ExposureTime=1/250", "-FNumber=5.6", "-ISO=400",
                 "-Orientation#=6", "-GPSLatitude=48.8584", "-GPSLatitudeRef=N", "-GPSLongitude=2.2945",
                 "-GPSLongitudeRef=W", "-ThumbnailImage<=" + thumb, "-IFD1:Orientation#=3", photo});

    ExifReader r;
    r.LoadFromFile(photo);
    const QStringList tool =
        QString::fromUtf8(
            RunExifTool({"-n", "-s3", "-f", "-Make", "-Model", "-DateTimeOriginal", "-ModifyDate",
                         "-ExposureTime", "-FNumber", "-ISO", "-IFD0:Orientation", "-GPSLatitude",
                         "-GPSLongitude", "-IFD1:Orientation", photo}))
            .split('\n');
    ASSERT_GE(tool.size(), 11) << tool.join('|').toStdString();
    EXPECT_EQ(r.ByteOrder(),
              QByteArray(GetParam()) == "MM" ? ExifByteOrder::BigEndian : ExifByteOrder::LittleEndian);
    EXPECT_EQ(r.AsciiText(Main, 0x010F), tool[0]);
    EXPECT_EQ(r.AsciiText(Main, 0x0110), tool[1]);
    EXPECT_EQ(r.AsciiText(Sub, 0x9003), tool[2]);
    EXPECT_EQ(r.DateTime(Main, 0x0132)->toString("yyyy:MM:dd HH:mm:ss"), tool[3]);
    EXPECT_DOUBLE_EQ(Quotient(r.Rational(Sub, 0x829A)), tool[4].toDouble());
    EXPECT_DOUBLE_EQ(Quotient(r.Rational(Sub, 0x829D)), tool[5].toDouble());
    EXPECT_EQ(r.Integer(Sub, 0x8827), tool[6].toLongLong());
    EXPECT_EQ(r.UnsignedCode16(Main, 0x0112, 0), tool[7].toInt());
    const auto degrees = [](const ExifCoordinate& c) {
        const double value = Quotient(c.Degrees) + Quotient(c.Minutes) / 60 + Quotient(c.Seconds) / 3600;
        return c.Reference == 'S' || c.Reference == 'W' ? -value : value;
    };
    EXPECT_NEAR(degrees(r.Coordinate(2, 1)), tool[8].toDouble(), 1e-6);
    EXPECT_NEAR(degrees(r.Coordinate(4, 3)), tool[9].toDouble(), 1e-6);
    EXPECT_EQ(r.UnsignedCode16(ExifDirectoryKind::Thumbnail, 0x0112, 0), tool[10].toInt());

    ExifThumbnailJpeg thumbnail;
    ASSERT_TRUE(ReadExifThumbnailJpeg(photo, thumbnail));
    EXPECT_EQ(thumbnail.Jpeg, RunExifTool({"-b", "-ThumbnailImage", photo}));
    EXPECT_EQ(thumbnail.Orientation, 3);
    EXPECT_EQ(ReadExifOrientation(photo), 6);
    EXPECT_EQ(QImage::fromData(thumbnail.Jpeg).size(), QSize(160, 120));
}

// Texts as cameras and phones store them: some without the terminating 0 byte (the count covers the
// characters alone), some in UTF-8.
TEST_P(ExifToolCrossCheck, TextsAgreeWithExifTool) {
    using exiftest::Dir;
    const QString folder = testsupport::TempHome() + "/exiftool-texts/" + GetParam();
    QDir().mkpath(folder);
    exiftest::ExifBlockBuilder b(QByteArray(GetParam()) == "MM");
    b.Bytes(Dir::Main, 0x010F, 2, "HTC")
        .Bytes(Dir::Main, 0x0110, 2, "RAPH800")
        .Ascii(Dir::Main, 0x013B, "Zo\xC3\xAB Caf\xC3\xA9")
        .Bytes(Dir::Main, 0x8298, 2, "\xC2\xA9 M\xC3\xBCller")
        .Bytes(Dir::Exif, 0x9003, 2, "2009:04:18 16:31:07");
    const QByteArray exif = b.Jpeg();
    const QByteArray app1 = exif.mid(2, exif.size() - 8);  // the APP1 segment alone
    QFile plain(MakeJpeg(folder + "/plain.jpg", QSize(64, 48)));
    ASSERT_TRUE(plain.open(QIODevice::ReadOnly));
    const QByteArray jpeg = plain.readAll();
    const QString photo = folder + "/photo.jpg";
    QFile file(photo);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(jpeg.left(2) + app1 + jpeg.mid(2));
    file.close();

    ExifReader r;
    r.LoadFromFile(photo);
    const QStringList tool = QString::fromUtf8(RunExifTool({"-s3", "-f", "-Make", "-Model", "-Artist",
                                                            "-Copyright", "-DateTimeOriginal", photo}))
                                 .split('\n');
    ASSERT_GE(tool.size(), 5) << tool.join('|').toStdString();
    EXPECT_EQ(r.AsciiText(Main, 0x010F), tool[0]);
    EXPECT_EQ(r.AsciiText(Main, 0x0110), tool[1]);
    EXPECT_EQ(r.AsciiText(Main, 0x013B), tool[2]);
    EXPECT_EQ(r.AsciiText(Main, 0x8298), tool[3]);
    EXPECT_EQ(r.AsciiText(Sub, 0x9003), tool[4]);
    const std::optional<QDateTime> original = r.DateTime(Sub, 0x9003);
    ASSERT_TRUE(original.has_value());
    EXPECT_EQ(original->toString("yyyy:MM:dd HH:mm:ss"), tool[4]);
}

INSTANTIATE_TEST_SUITE_P(ByteOrders, ExifToolCrossCheck, testing::Values("II", "MM"));

}  // namespace

#include "Exceptions.h"
#include "ExifBlockBuilder.h"
#include "ExifReader.h"
#include "FileMaker.h"
#include "TempHome.h"

#include <gtest/gtest.h>

#include <functional>

using exiftest::Dir;
using exiftest::ExifBlockBuilder;

namespace {

constexpr auto Main = ExifDirectoryKind::Main;
constexpr auto Sub = ExifDirectoryKind::ExifSub;
constexpr auto Gps = ExifDirectoryKind::Gps;
constexpr auto Thumb = ExifDirectoryKind::Thumbnail;

ExifReader Load(const QByteArray& jpeg) {
    ExifReader reader;
    reader.LoadFromBytes(jpeg);
    return reader;
}

QString ErrorOf(const std::function<void()>& body) {
    try {
        body();
    } catch (const EAppError& e) {
        return e.Message;
    }
    return {};
}

// Values read back in both byte orders.
class ExifValues : public testing::TestWithParam<bool> {};

TEST_P(ExifValues, EachShapeWithItsAbsentState) {
    ExifBlockBuilder b(GetParam());
    b.Ascii(Dir::Main, 0x010F, QByteArray("Canon\0\0\0", 8))
        .Ascii(Dir::Main, 0x0110, "EOS")
        .Ascii(Dir::Main, 0x0132, "2021:07:04 13:05:09")
        .Ascii(Dir::Main, 0x0131, "2021:02:30 10:00:00")  // no such day
        .Short(Dir::Main, 0x0112, {65535})
        .XP(0x9C9D, QStringLiteral("Zoë"))
        .Rational(Dir::Main, 0x011A, {{72, 1}})
        .Short(Dir::Exif, 0x8822, {300})
        .Short(Dir::Exif, 0x9207, {65535})
        .Long(Dir::Exif, 0xA002, {0xFFFFFFFF})
        .Long(Dir::Exif, 0xA003, {0xFFFFFFFE}, 9)
        .Rational(Dir::Exif, 0x9204, {{quint32(-1), 3}}, 10)
        .Bytes(Dir::Exif, 0x9000, 7, "0230")
        .Bytes(Dir::Exif, 0xA300, 7, QByteArray(1, char(200)))
        .Short(Dir::Exif, 0x8827, {100, 200, 400})
        .Rational(Dir::Gps, 2, {{51, 1}, {30, 1}, {1234, 100}})
        .Ascii(Dir::Gps, 1, "n")
        .Bytes(Dir::Gps, 0, 1, QByteArray("\x02\x03\x00\x00", 4));
    const ExifReader r = Load(b.Jpeg());

    EXPECT_EQ(r.ByteOrder(), GetParam() ? ExifByteOrder::BigEndian : ExifByteOrder::LittleEndian);
    EXPECT_EQ(r.AsciiText(Main, 0x010F), "Canon");
    EXPECT_EQ(r.AsciiText(Main, 0x0110), "EOS");
    EXPECT_EQ(r.AsciiText(Main, 0x0111), QString());
    EXPECT_EQ(r.AsciiText(Main, 0x0112), QString()) << "not ASCII";
    EXPECT_EQ(r.DateTime(Main, 0x0132), QDateTime(QDate(2021, 7, 4), QTime(13, 5, 9), Qt::UTC));
    EXPECT_EQ(r.DateTime(Main, 0x0131), std::nullopt);
    EXPECT_EQ(r.UnsignedCode16(Main, 0x0112, 0), 65535);
    EXPECT_EQ(r.Code16(Main, 0x0112), std::nullopt) << "a stored 65535 is absent";
    EXPECT_EQ(r.XPText(0x9C9D), QStringLiteral("Zoë"));
    EXPECT_EQ(r.Code16(Sub, 0x8822), 300) << "codes are delivered as stored";
    EXPECT_EQ(r.Code16(Sub, 0x9207), std::nullopt);
    EXPECT_EQ(r.Code16(Sub, 0x9208), std::nullopt);
    EXPECT_EQ(r.Integer(Sub, 0xA002), 4294967295LL);
    EXPECT_EQ(r.Integer(Sub, 0xA003), -2);
    EXPECT_EQ(r.Integer(Sub, 0xA004), 0);
    EXPECT_EQ(r.Integers(Sub, 0x8827), (QList<qint64>{100, 200, 400}));
    EXPECT_EQ(qint32(r.Rational(Sub, 0x9204).Numerator), -1);
    EXPECT_EQ(r.Rational(Sub, 0x9204).Denominator, 3u);
    EXPECT_EQ(r.Rational(Sub, 0x9204, 1).Denominator, 0u) << "index out of range";
    EXPECT_EQ(r.Version(Sub, 0x9000), (std::array<quint8, 4>{'0', '2', '3', '0'}));
    EXPECT_EQ(r.Code8(Sub, 0xA300), 200);
    EXPECT_EQ(r.Code8(Sub, 0xA301), std::nullopt);
    const ExifCoordinate latitude = r.Coordinate(2, 1);
    EXPECT_EQ(latitude.Seconds.Numerator, 1234u);
    EXPECT_EQ(latitude.Reference, 'N');
    EXPECT_TRUE(r.Coordinate(4, 3).Absent());
    EXPECT_EQ(r.Version(Gps, 0), (std::array<quint8, 4>{2, 3, 0, 0}));
    const ExifResolution resolution = r.Resolution(Main, 0x011A, 0x011B, 0x0128);
    EXPECT_FALSE(resolution.Present) << "Y is missing";
    EXPECT_EQ(resolution.Unit, 1);
}

INSTANTIATE_TEST_SUITE_P(ByteOrders, ExifValues, testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Motorola" : "Intel"; });

// An ASCII value is its bytes up to the first 0 byte, or all of them when there is none; the bytes are
// UTF-8 when they are valid UTF-8, else Latin-1.
struct AsciiCase {
    const char* Name;
    QByteArray Stored;  // all `count` bytes of the value
    QString Text;
};

void PrintTo(const AsciiCase& c, std::ostream* os) {
    *os << c.Name;
}

class ExifAsciiText : public testing::TestWithParam<AsciiCase> {};

TEST_P(ExifAsciiText, IsTheBytesUpToTheFirstZero) {
    for (const bool bigEndian : {false, true}) {
        ExifBlockBuilder b(bigEndian);
        b.Bytes(Dir::Main, 0x010F, 2, GetParam().Stored);
        EXPECT_EQ(Load(b.Jpeg()).AsciiText(Main, 0x010F), GetParam().Text) << bigEndian;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ExifAsciiText,
    testing::Values(AsciiCase{"Terminated", QByteArray("Canon\0", 6), "Canon"},
                    AsciiCase{"PaddedWithZeros", QByteArray("EOS\0\0\0\0\0", 8), "EOS"},
                    AsciiCase{"WithoutZeroFitsTheEntry", "HTC", "HTC"},
                    AsciiCase{"WithoutZeroOutsideTheEntry", "RAPH800", "RAPH800"},
                    AsciiCase{"OneCharacterWithoutZero", "N", "N"},
                    AsciiCase{"OnlyZero", QByteArray(1, '\0'), ""},
                    AsciiCase{"TextAfterTheFirstZeroIsNotRead", QByteArray("A\0B", 3), "A"},
                    AsciiCase{"Utf8", QByteArray("Caf\xC3\xA9\0", 6), QStringLiteral("Caf\u00e9")},
                    AsciiCase{"Utf8WithoutZero", "\xE6\x9D\xB1\xE4\xBA\xAC", QStringLiteral("\u6771\u4eac")},
                    AsciiCase{"Latin1", QByteArray("Caf\xE9\0", 5), QStringLiteral("Caf\u00e9")},
                    AsciiCase{"CutOffUtf8IsLatin1", "Caf\xC3", QStringLiteral("Caf\u00c3")}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(ExifAsciiValues, DateTimeAndReferenceWithoutZero) {
    ExifBlockBuilder b;
    b.Bytes(Dir::Exif, 0x9003, 2, "2009:04:18 16:31:07").Bytes(Dir::Gps, 1, 2, "N");
    const ExifReader r = Load(b.Jpeg());
    EXPECT_EQ(r.DateTime(Sub, 0x9003), QDateTime(QDate(2009, 4, 18), QTime(16, 31, 7), Qt::UTC));
    EXPECT_EQ(r.FirstCharacter(Gps, 1), 'N');
}

struct DamageCase {
    const char* Name;
    std::function<QByteArray()> Block;  // the TIFF block
    ExifDirectoryKind Kind;
    bool BadOffset, BadTagCount, BadTagHeaders;
    int TagCount;
};

QByteArray MainWith(const std::function<void(ExifBlockBuilder&)>& add) {
    ExifBlockBuilder b;
    add(b);
    return b.Build();
}

TEST(ExifDirectories, ProblemFlagsFollowTheEntryRules) {
    const DamageCase cases[] = {
        {"clean", [] { return MainWith([](auto& b) { b.Ascii(Dir::Main, 0x010F, "Make"); }); }, Main, false,
         false, false, 1},
        {"count above room",
         [] {
             return MainWith([](auto& b) { b.Ascii(Dir::Main, 0x010F, "M").DeclaredCount(Dir::Main, 500); });
         },
         Main, false, true, false, 1},
        {"type 0 first",
         [] {
             return MainWith(
                 [](auto& b) { b.Raw(Dir::Main, 0x010F, 0, 1, 0).Short(Dir::Main, 0x0112, {6}); });
         },
         Main, false, false, true, 2},
        {"count 2^32-1", [] { return MainWith([](auto& b) { b.Raw(Dir::Main, 0x010F, 2, 0xFFFFFFFF, 8); }); },
         Main, false, false, true, 1},
        {"count whose 32-bit product wraps to 0",
         [] { return MainWith([](auto& b) { b.Raw(Dir::Main, 0x011A, 5, 0x20000000, 8); }); }, Main, false,
         false, true, 1},
        {"value beyond the block",
         [] { return MainWith([](auto& b) { b.Raw(Dir::Main, 0x010F, 2, 20, 60000); }); }, Main, false, false,
         true, 1},
        {"negative value offset",
         [] { return MainWith([](auto& b) { b.Raw(Dir::Main, 0x010F, 2, 20, 0x80000000); }); }, Main, false,
         false, true, 1},
        {"bad after bad ends the directory",
         [] {
             return MainWith([](auto& b) {
                 b.Short(Dir::Main, 0x0112, {1})
                     .Raw(Dir::Main, 0x0100, 14, 1, 0)
                     .Raw(Dir::Main, 0x0101, 0, 1, 0)
                     .Short(Dir::Main, 0x0128, {2});
             });
         },
         Main, false, true, true, 2},
        {"bad, good, bad",
         [] {
             return MainWith([](auto& b) {
                 b.Raw(Dir::Main, 0x0100, 0, 1, 0)
                     .Short(Dir::Main, 0x0112, {1})
                     .Raw(Dir::Main, 0x0101, 99, 1, 0);
             });
         },
         Main, false, false, true, 3},
        {"sub-directory offset beyond the block",
         [] { return MainWith([](auto& b) { b.Raw(Dir::Main, 0x8769, 4, 1, 70000); }); }, Sub, true, false,
         false, 0},
        {"negative sub-directory offset",
         [] { return MainWith([](auto& b) { b.Raw(Dir::Main, 0x8825, 4, 1, 0xFFFFFFF0); }); }, Gps, true,
         false, false, 0},
        {"sub-directory link of the wrong type",
         [] { return MainWith([](auto& b) { b.Raw(Dir::Main, 0x8769, 2, 1, 8); }); }, Sub, true, false, false,
         0},
        {"sub-directory pointing at the main directory",
         [] { return MainWith([](auto& b) { b.Raw(Dir::Main, 0x8769, 4, 1, 8); }); }, Sub, false, false,
         false, 1},
    };
    for (const DamageCase& c : cases) {
        const ExifReader r = Load(ExifBlockBuilder::WrapInJpeg(c.Block()));
        const ExifDirectory& d = r.Directory(c.Kind);
        EXPECT_EQ(d.BadOffset, c.BadOffset) << c.Name;
        EXPECT_EQ(d.BadTagCount, c.BadTagCount) << c.Name;
        EXPECT_EQ(d.BadTagHeaders, c.BadTagHeaders) << c.Name;
        EXPECT_EQ(d.TagCount(), c.TagCount) << c.Name;
    }
}

TEST(ExifDirectories, BadEntryCountsButHasNoValue) {
    const ExifReader r = Load(ExifBlockBuilder::WrapInJpeg(
        MainWith([](auto& b) { b.Raw(Dir::Main, 0x0112, 0, 1, 6).Ascii(Dir::Main, 0x010F, "Make"); })));
    EXPECT_EQ(r.Directory(Main).TagCount(), 2);
    EXPECT_EQ(r.UnsignedCode16(Main, 0x0112, 0), 0);
    EXPECT_EQ(r.AsciiText(Main, 0x010F), "Make");
}

TEST(ExifDirectories, ThumbnailLinkBackToTheMainDirectoryReadsItOnce) {
    QByteArray block = MainWith([](auto& b) { b.Short(Dir::Main, 0x0112, {6}); });
    block.replace(8 + 2 + 12, 4, QByteArray("\x08\x00\x00\x00", 4));  // the next-directory link
    const ExifReader r = Load(ExifBlockBuilder::WrapInJpeg(block));
    EXPECT_EQ(r.Directory(Thumb).TagCount(), 1);
    EXPECT_TRUE(r.ThumbnailJpeg().isEmpty());
}

TEST(ExifReaderInput, EveryTruncationLoadsCleanly) {
    ExifBlockBuilder b;
    b.Ascii(Dir::Main, 0x010F, "Make").Rational(Dir::Exif, 0x829A, {{1, 125}}).Short(Dir::Gps, 30, {1});
    b.Thumbnail(QByteArray("\xFF\xD8thumb\xFF\xD9", 9));
    const QByteArray jpeg = b.Jpeg();
    for (int size = 0; size <= jpeg.size(); ++size) {
        ExifReader r;
        const QString error = ErrorOf([&] { r.LoadFromBytes(jpeg.left(size)); });
        EXPECT_EQ(error, size < 2 ? QStringLiteral("JPEG header is not valid") : QString()) << size;
    }
    EXPECT_EQ(Load(jpeg).ThumbnailJpeg(), QByteArray("\xFF\xD8thumb\xFF\xD9", 9));
}

TEST(ExifReaderInput, SegmentsBeforeTheExifBlockAndTheStartOfScan) {
    const QByteArray tiff = MainWith([](auto& b) { b.Ascii(Dir::Main, 0x010F, "Make"); });
    const QByteArray exifJpeg = ExifBlockBuilder::WrapInJpeg(tiff);
    const QByteArray app1 = exifJpeg.mid(2, exifJpeg.size() - 8);  // the APP1 segment alone
    const QByteArray jfif("\xFF\xE0\x00\x07JFIF\x00", 9);
    const QByteArray xmp("\xFF\xE1\x00\x0Chttp://ns\x00", 14);
    const QByteArray sos("\xFF\xDA\x00\x02", 4);
    const QByteArray soi("\xFF\xD8", 2);
    EXPECT_EQ(Load(soi + jfif + xmp + app1 + sos).AsciiText(Main, 0x010F), "Make");
    EXPECT_EQ(Load(soi + QByteArray("\xFF\xFF", 2) + app1 + sos).AsciiText(Main, 0x010F), "Make") << "fill";
    EXPECT_TRUE(Load(soi + jfif + sos + app1).IsEmpty()) << "the scan is not read";
    EXPECT_TRUE(Load(soi + jfif + sos).IsEmpty());
    EXPECT_TRUE(Load(ExifBlockBuilder::WrapInJpeg("XX*\0\x08\0\0\0")).IsEmpty()) << "no TIFF header";
    EXPECT_EQ(ErrorOf([] { Load(QByteArray("\x89PNG\r\n\x1A\n", 8)); }), "JPEG header is not valid");
}

class ExifReaderFiles : public testing::Test {
protected:
    QString Path(const char* name) { return testsupport::TempHome() + "/exif/" + name; }
};

TEST_F(ExifReaderFiles, ErrorsNameTheFile) {
    const QString missing = Path("missing.jpg");
    EXPECT_EQ(ErrorOf([&] { ExifReader().LoadFromFile(missing); }),
              QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(missing));
    const QString png = testsupport::MakeFile(Path("picture.png"), QByteArray("\x89PNG\r\n\x1A\n", 8));
    EXPECT_EQ(ErrorOf([&] { ExifReader().LoadFromFile(png); }), "JPEG header is not valid");
    EXPECT_EQ(ReadExifOrientation(png), 0);
    EXPECT_EQ(ReadExifOrientation(missing), 0);
}

TEST_F(ExifReaderFiles, OrientationAndThumbnailForTheirUsers) {
    ExifBlockBuilder b(true);
    b.Short(Dir::Main, 0x0112, {6}).Short(Dir::Thumb, 0x0112, {8}).Thumbnail("\xFF\xD8jpeg\xFF\xD9");
    const QString path = testsupport::MakeFile(Path("camera.jpg"), b.Jpeg() + QByteArray(100000, '\x55'));
    EXPECT_EQ(ReadExifOrientation(path), 6);
    ExifThumbnailJpeg thumbnail;
    ASSERT_TRUE(ReadExifThumbnailJpeg(path, thumbnail));
    EXPECT_EQ(thumbnail.Jpeg, QByteArray("\xFF\xD8jpeg\xFF\xD9"));
    EXPECT_EQ(thumbnail.Orientation, 8);

    ExifBlockBuilder noThumbnail;
    noThumbnail.Short(Dir::Main, 0x0112, {3});
    const QString plain = testsupport::MakeFile(Path("plain.jpg"), noThumbnail.Jpeg());
    EXPECT_FALSE(ReadExifThumbnailJpeg(plain, thumbnail));
    EXPECT_TRUE(thumbnail.Jpeg.isEmpty());
}

TEST(ExifThumbnail, OutsideTheBlockIsEmpty) {
    ExifBlockBuilder b;
    b.Short(Dir::Thumb, 0x0112, {1}).Long(Dir::Thumb, 0x0201, {40}).Long(Dir::Thumb, 0x0202, {0xFFFFFFF0});
    const ExifReader r = Load(b.Jpeg());
    EXPECT_TRUE(r.ThumbnailJpeg().isEmpty());
    EXPECT_FALSE(r.IsEmpty());
}

}  // namespace

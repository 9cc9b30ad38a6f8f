#include "ExifBlockBuilder.h"
#include "ExifDerived.h"
#include "ExifFormatters.h"
#include "ExifInformationRows.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <functional>

using exiftest::Dir;
using exiftest::ExifBlockBuilder;

namespace {

// Rows as "caption|value" lines, so that a failure shows the whole list.
QStringList Lines(const QList<TExifRow>& rows) {
    QStringList lines;
    for (const TExifRow& row : rows) {
        lines << row.Caption + "|" + row.Value;
    }
    return lines;
}

QStringList RowsOf(const ExifBlockBuilder& b) {
    ExifReader reader;
    reader.LoadFromBytes(b.Jpeg());
    return Lines(ExifInformationRows(reader));
}

QString L(QString text) {
    return text.replace(QLatin1Char('.'), QLocale::system().decimalPoint());
}

QString When(QDate date, QTime time) {
    return DateTimeText(QDateTime(date, time, Qt::UTC));
}

const QStringList General = {"General|", "   Byte order|Intel (small endian)"};

struct RowsCase {
    const char* Name;
    std::function<void(ExifBlockBuilder&)> Build;
    QStringList Rows;  // after the General group
};

TEST(ExifInformationRows, GroupsAndRowsInOrder) {
    const RowsCase cases[] = {
        {"main directory with Make and Model only",
         [](auto& b) { b.Ascii(Dir::Main, 0x010F, "Canon").Ascii(Dir::Main, 0x0110, "EOS 80D"); },
         {"Main IFD|", "   Loaded cleanly|Yes", "   Camera make|Canon", "   Camera model|EOS 80D"}},
        {"damaged directories",
         [](auto& b) {
             b.Ascii(Dir::Main, 0x010F, "Make")
                 .Raw(Dir::Main, 0x8825, 4, 1, 0x7FFFFFF0)
                 .Rational(Dir::Exif, 0x829D, {{28, 10}})
                 .Raw(Dir::Exif, 0x829A, 0, 1, 0)
                 .Short(Dir::Exif, 0xA403, {1})
                 .Raw(Dir::Exif, 0x9003, 2, 0xFFFFFFFF, 0)
                 .Raw(Dir::Exif, 0x9004, 2, 100, 0xFFFF0000)
                 .Short(Dir::Exif, 0xA406, {3});
         },
         {"Main IFD|", "   Loaded cleanly|Yes", "   Camera make|Make", "Exif sub-IFD|",
          "   Loaded cleanly|No: bad tag count, one or more bad tag headers", L("   F number|2.8 "),
          "   White balance mode|Manual", "GPS sub-IFD|", "   Loaded cleanly|No: bad IFD offset"}},
        {"flash from FlashEnergy only",
         [](auto& b) {
             b.Rational(Dir::Exif, 0xA20B, {{5, 2}}).Rational(Dir::Exif, 0x829D, {{4, 1}});
         },
         {"Main IFD|", "   Loaded cleanly|Yes", "Exif sub-IFD|", "   Loaded cleanly|Yes",
          "   Flash present|Yes", "   Flash fired|No", "   Flash red eye reduction|No",
          L("   Flash strobe energy|2.5 "), "   Flash strobe light|No detection function", "   F number|4 "}},
        {"flash 0x59",
         [](auto& b) { b.Bytes(Dir::Exif, 0xA300, 7, "\x03").Short(Dir::Exif, 0x9209, {0x59}); },
         {"Main IFD|", "   Loaded cleanly|Yes", "Exif sub-IFD|", "   Loaded cleanly|Yes",
          "   File source|Digital camera", "   Flash present|Yes", "   Flash mode|Auto", "   Flash fired|Yes",
          "   Flash red eye reduction|Yes", "   Flash strobe light|No detection function"}},
        {"flash stored as LONG has no flash rows",
         [](auto& b) { b.Long(Dir::Exif, 0x9209, {0x59}); },
         {"Main IFD|", "   Loaded cleanly|Yes", "Exif sub-IFD|", "   Loaded cleanly|Yes"}},
        {"GPS with only GPSVersionID",
         [](auto& b) { b.Bytes(Dir::Gps, 0, 1, QByteArray("\x02\x02\x00\x00", 4)); },
         {"Main IFD|", "   Loaded cleanly|Yes", "GPS sub-IFD|", "   Loaded cleanly|Yes",
          L("   GPS version|2.20")}},
        {"GPS time without any date",
         [](auto& b) {
             b.Rational(Dir::Gps, 7, {{13, 1}, {5, 1}, {959, 100}});
         },
         {"Main IFD|", "   Loaded cleanly|Yes", "GPS sub-IFD|", "   Loaded cleanly|Yes",
          "   GPS date/time (UTC)|" + When(ExifDateOrigin(), QTime(13, 5, 9))}},
        {"GPS time on the date of DateTimeOriginal",
         [](auto& b) {
             b.Rational(Dir::Gps, 7, {{23, 1}, {59, 1}, {59, 1}})
                 .Ascii(Dir::Exif, 0x9003, "2020:02:29 10:00:00");
         },
         {"Main IFD|", "   Loaded cleanly|Yes", "Exif sub-IFD|", "   Loaded cleanly|Yes",
          "   Date/time original|" + When(QDate(2020, 2, 29), QTime(10, 0)), "GPS sub-IFD|",
          "   Loaded cleanly|Yes", "   GPS date/time (UTC)|" + When(QDate(2020, 2, 29), QTime(23, 59, 59))}},
        {"GPS date stamp with an invalid time is the date alone",
         [](auto& b) {
             b.Ascii(Dir::Gps, 29, "2019:12:31").Rational(Dir::Gps, 7, {{24, 1}, {0, 1}, {0, 1}});
         },
         {"Main IFD|", "   Loaded cleanly|Yes", "GPS sub-IFD|", "   Loaded cleanly|Yes",
          "   GPS date/time (UTC)|" + When(QDate(2019, 12, 31), QTime(0, 0))}},
        {"GPS position, altitude, speed and status",
         [](auto& b) {
             b.Ascii(Dir::Gps, 1, "S")
                 .Rational(Dir::Gps, 2, {{33, 1}, {52, 1}, {0, 0}})
                 .Bytes(Dir::Gps, 5, 1, QByteArray(1, '\0'))
                 .Rational(Dir::Gps, 6, {{125, 2}})
                 .Ascii(Dir::Gps, 9, "x")
                 .Ascii(Dir::Gps, 12, "n")
                 .Rational(Dir::Gps, 13, {{10, 1}});
         },
         {"Main IFD|", "   Loaded cleanly|Yes", "GPS sub-IFD|", "   Loaded cleanly|Yes",
          "   GPS latitude|33°, 52 minutes and 0 seconds south",
          L("   GPS altitude|62.5 metres above sea level"), "   GPS speed|10 knots"}},
        {"shutter speed, subject distance, spectral sensitivity",
         [](auto& b) {
             b.Ascii(Dir::Exif, 0x8824, "RGB")
                 .Rational(Dir::Exif, 0x9206, {{7, 2}})
                 .Rational(Dir::Exif, 0x9201, {{8, 1}}, 10);
         },
         {"Main IFD|", "   Loaded cleanly|Yes", "Exif sub-IFD|", "   Loaded cleanly|Yes",
          L("   Shutter speed|3.906 milliseconds"), L("   Subject distance|3.5 "),
          "   Spectral sensitivity|RGB"}},
        {"thumbnail orientation of its own",
         [](auto& b) {
             b.Short(Dir::Main, 0x0112, {6}).Short(Dir::Thumb, 0x0112, {1}).Thumbnail("\xFF\xD8\xFF\xD9");
         },
         {"Main IFD|", "   Loaded cleanly|Yes", "   Orientation|Rotate 90°", "Thumbnail IFD|",
          "   Loaded cleanly|Yes", "   Thumbnail orientation|Normal"}},
        {"thumbnail directory without a picture",
         [](auto& b) { b.Short(Dir::Thumb, 0x0112, {3}); },
         {"Thumbnail IFD|", "   Loaded cleanly|No: bad image offset",
          "   Thumbnail orientation|Rotate 180°"}},
        {"texts without a terminating 0, in UTF-8 and in Latin-1",
         [](auto& b) {
             b.Bytes(Dir::Main, 0x010F, 2, "HTC")
                 .Bytes(Dir::Main, 0x0110, 2, "RAPH800")
                 .Bytes(Dir::Main, 0x010E, 2, "Caf\xC3\xA9")
                 .Ascii(Dir::Main, 0x8298, "Caf\xE9")
                 .Bytes(Dir::Exif, 0x9286, 7, QByteArray("ASCII\0\0\0Caf\xC3\xA9 ", 14))
                 .Bytes(Dir::Exif, 0x9003, 2, "2009:04:18 16:31:07");
         },
         {"Main IFD|", "   Loaded cleanly|Yes", "   Camera make|HTC", "   Camera model|RAPH800",
          "   Image description|Caf\u00e9", "   Copyright|Caf\u00e9", "   Comments|Caf\u00e9",
          "Exif sub-IFD|", "   Loaded cleanly|Yes",
          "   Date/time original|" + When(QDate(2009, 4, 18), QTime(16, 31, 7))}},
        {"interoperability and comments",
         [](auto& b) {
             b.Ascii(Dir::Interop, 1, "R98")
                 .Bytes(Dir::Interop, 2, 7, "0100")
                 .Bytes(Dir::Exif, 0x9286, 7, QByteArray("UNICODE\0H\0i\0 \0\0\0", 16))
                 .XP(0x9C9B, "Title");
         },
         {"Main IFD|", "   Loaded cleanly|Yes", "   Comments|Hi", "   Title|Title", "Exif sub-IFD|",
          "   Loaded cleanly|Yes", "Interoperability sub-IFD|", "   Loaded cleanly|Yes",
          "   Interoperability type|R98", L("   Interoperability version|1.00")}},
    };
    for (const RowsCase& c : cases) {
        ExifBlockBuilder b;
        c.Build(b);
        EXPECT_EQ(RowsOf(b), General + c.Rows) << c.Name;
    }
}

TEST(ExifInformationRows, NoMetadata) {
    ExifReader reader;
    reader.LoadFromBytes(QByteArray("\xFF\xD8\xFF\xDA\x00\x02", 6));
    EXPECT_EQ(Lines(ExifInformationRows(reader)), QStringList{"No Exif metadata found|"});
    ExifBlockBuilder emptyDirectories;
    EXPECT_EQ(RowsOf(emptyDirectories), QStringList{"No Exif metadata found|"});
}

TEST(ExifInformationRows, BigEndianBlock) {
    ExifBlockBuilder b(true);
    b.Ascii(Dir::Main, 0x010F, "Nikon")
        .Rational(Dir::Main, 0x011A, {{300, 1}})
        .Rational(Dir::Main, 0x011B, {{300, 1}});
    b.Short(Dir::Main, 0x0128, {2});
    EXPECT_EQ(RowsOf(b), (QStringList{"General|", "   Byte order|Motorola (big endian)", "Main IFD|",
                                      "   Loaded cleanly|Yes", "   Camera make|Nikon",
                                      "   Resolution|300 x 300 inches"}));
}

}  // namespace

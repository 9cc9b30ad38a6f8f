#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QString>

#include <array>
#include <optional>

// The EXIF block of a JPEG file: the first APP1 segment that starts with "Exif" and two 0 bytes, read
// as a TIFF structure (EXIF 2.3, TIFF 6.0). Only the JPEG header segments up to the start of scan are
// read. Every offset and count in the block is checked against the block's length before it is used.
//
// A reader holds only its own copy of the block, so readers in several threads never share anything.
// Values are decoded from that copy on each request; all accessors are const.

enum class ExifByteOrder { LittleEndian, BigEndian };

// The six directories of a block; the values index ExifReader::Directory.
enum class ExifDirectoryKind { Main, ExifSub, Interoperability, Gps, Thumbnail, MakerNote };
inline constexpr int ExifDirectoryCount = 6;

// Two 32-bit integers as stored. The unsigned and the signed formatters read the same bits their own
// way; a denominator of 0 means absent (a missing tag is delivered as 0/0).
struct ExifRational {
    quint32 Numerator = 0;
    quint32 Denominator = 0;
};

struct ExifCoordinate {
    ExifRational Degrees, Minutes, Seconds;
    char Reference = 0;  // the reference tag's first character, upper case; 0 when missing
    bool Absent() const { return Degrees.Denominator == 0 || Minutes.Denominator == 0 || Reference == 0; }
};

struct ExifResolution {
    ExifRational X, Y;
    int Unit = 1;
    bool Present = false;
};

// TIFF field types 1 to 13.
enum ExifType : quint16 {
    ExifByte = 1,
    ExifAscii = 2,
    ExifShort = 3,
    ExifLong = 4,
    ExifRationalType = 5,
    ExifSByte = 6,
    ExifUndefined = 7,
    ExifSShort = 8,
    ExifSLong = 9,
    ExifSRational = 10,
    ExifFloat = 11,
    ExifDouble = 12,
    ExifIfd = 13,
};

struct ExifEntry {
    quint16 Tag = 0;
    quint16 Type = 0;
    quint32 Count = 0;
    quint32 ValueOffset = 0;  // from the start of the TIFF header
    bool Valid = false;       // a bad entry counts as a tag of its directory but has no value
};

struct ExifDirectory {
    QList<ExifEntry> Entries;
    bool BadOffset = false;
    bool BadTagCount = false;
    bool BadTagHeaders = false;
    int TagCount() const { return int(Entries.size()); }
    bool HasProblems() const { return BadOffset || BadTagCount || BadTagHeaders; }
};

class ExifReader {
public:
    // Reads the file's header segments. Raises EFileError "Cannot open file "%s". %s" when the file
    // cannot be opened and EAppError "JPEG header is not valid" when it does not start with a JPEG
    // start-of-image marker. A JPEG without an EXIF block gives an empty reader.
    void LoadFromFile(const QString& path);
    // The same for a JPEG stream held in memory.
    void LoadFromBytes(const QByteArray& jpeg);

    // True when no directory holds a tag and there is no thumbnail image.
    bool IsEmpty() const;
    ExifByteOrder ByteOrder() const { return ByteOrder_; }
    const ExifDirectory& Directory(ExifDirectoryKind kind) const { return Directories_[int(kind)]; }

    // The JPEG picture of the thumbnail directory (IFD1); empty when there is none or it does not lie
    // inside the block.
    const QByteArray& ThumbnailJpeg() const { return Thumbnail_; }

    // The entry with that tag number that carries a value, or nullptr.
    const ExifEntry* Find(ExifDirectoryKind kind, quint16 tag) const;
    // The tag's field type, 0 when missing.
    int TypeOf(ExifDirectoryKind kind, quint16 tag) const;

    // Text of an ASCII tag: its bytes up to the first 0 byte, or all of them when there is none (not
    // every camera ends its texts with one), decoded by DecodeExifText.
    QString AsciiText(ExifDirectoryKind kind, quint16 tag) const;
    // Text of a Windows "XP" tag: type BYTE, count above 1, UTF-16 LE of count / 2 - 1 characters.
    QString XPText(quint16 tag) const;
    // 16-bit code: the first value of a SHORT, SSHORT, BYTE or SBYTE tag read as signed 16 bits;
    // absent when missing, of another type, or -1 (a stored 65535).
    std::optional<int> Code16(ExifDirectoryKind kind, quint16 tag) const;
    // The same value read unsigned (0 to 65535), `missing` when the tag is missing or of another type.
    int UnsignedCode16(ExifDirectoryKind kind, quint16 tag, int missing) const;
    // 8-bit code: the first byte of a BYTE, SBYTE or UNDEFINED tag; absent when missing.
    std::optional<int> Code8(ExifDirectoryKind kind, quint16 tag) const;
    // The first value of a BYTE, SBYTE, SHORT, SSHORT, LONG or SLONG tag; 0 when missing.
    qint64 Integer(ExifDirectoryKind kind, quint16 tag) const;
    // All values of such a tag; empty when missing.
    QList<qint64> Integers(ExifDirectoryKind kind, quint16 tag) const;
    // The n-th value of a RATIONAL or SRATIONAL tag; 0/0 when missing or n is out of range.
    ExifRational Rational(ExifDirectoryKind kind, quint16 tag, int n = 0) const;
    // An ASCII tag of the form "YYYY:MM:DD HH:MM:SS" holding a valid date and time; else absent.
    std::optional<QDateTime> DateTime(ExifDirectoryKind kind, quint16 tag) const;
    // The first four bytes of a BYTE, ASCII, SBYTE or UNDEFINED tag with at least four values.
    std::optional<std::array<quint8, 4>> Version(ExifDirectoryKind kind, quint16 tag) const;
    ExifCoordinate Coordinate(quint16 valueTag, quint16 referenceTag) const;  // GPS directory
    ExifResolution Resolution(ExifDirectoryKind kind, quint16 xTag, quint16 yTag, quint16 unitTag) const;
    // The first character of an ASCII tag, 0 when missing, not ASCII or empty.
    char FirstCharacter(ExifDirectoryKind kind, quint16 tag) const;

    // The raw bytes of an entry's value, bounded by the block.
    QByteArray ValueBytes(const ExifEntry& entry) const;

private:
    void Reset();
    void ParseBlock(QByteArray block);
    void ReadDirectory(ExifDirectoryKind kind, qint64 offset);
    qint64 SubDirectoryOffset(ExifDirectoryKind parent, quint16 tag) const;
    quint16 U16(qint64 offset) const;
    quint32 U32(qint64 offset) const;
    qint64 IntegerAt(const ExifEntry& entry, quint32 index) const;

    QByteArray Block_;  // from the TIFF header to the end of the APP1 segment
    ExifByteOrder ByteOrder_ = ExifByteOrder::LittleEndian;
    std::array<ExifDirectory, ExifDirectoryCount> Directories_;
    QByteArray Thumbnail_;
};

// EXIF text bytes as text: UTF-8 when they are valid UTF-8 (as cameras and phones write today), else
// Latin-1.
QString DecodeExifText(QByteArrayView bytes);

// What the show pipeline needs: the main directory's orientation (tag 0x0112), 0 when the file has no
// EXIF data, the tag is missing, or anything fails. Never raises.
int ReadExifOrientation(const QString& path) noexcept;

// What the thumbnail code needs: the JPEG bytes of the thumbnail directory and that directory's own
// orientation (0 when missing). False, with both cleared, when there is no thumbnail or anything
// fails. Never raises.
struct ExifThumbnailJpeg {
    QByteArray Jpeg;
    int Orientation = 0;
};
bool ReadExifThumbnailJpeg(const QString& path, ExifThumbnailJpeg& result) noexcept;

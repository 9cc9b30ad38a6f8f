#include "ExifReader.h"

#include "Exceptions.h"
#include "FileUtils.h"
#include "TextFile.h"

#include <QFile>

#include <cstring>

namespace {

constexpr quint16 TagExifPointer = 0x8769;
constexpr quint16 TagGpsPointer = 0x8825;
constexpr quint16 TagInteroperabilityPointer = 0xA005;
constexpr quint16 TagMakerNote = 0x927C;
constexpr quint16 TagThumbnailOffset = 0x0201;
constexpr quint16 TagThumbnailLength = 0x0202;
constexpr quint16 TagOrientation = 0x0112;
constexpr qint64 EntrySize = 12;

// Bytes per value of the TIFF field types 1 to 13; 0 for any other type.
int TypeSize(quint16 type) {
    static constexpr int sizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
    return type < std::size(sizes) ? sizes[type] : 0;
}

bool IsOneOf(quint16 type, std::initializer_list<quint16> types) {
    for (quint16 t : types) {
        if (type == t) {
            return true;
        }
    }
    return false;
}

// The JPEG stream held in memory.
class MemorySource {
public:
    explicit MemorySource(const QByteArray& bytes) : Data(bytes.constData()), Size(bytes.size()) {}
    qint64 Read(char* out, qint64 n) {
        const qint64 count = std::min(n, Size - Position);
        if (count <= 0) {
            return 0;
        }
        std::copy_n(Data + Position, count, out);
        Position += count;
        return count;
    }
    void Skip(qint64 n) { Position = std::min(Position + n, Size); }

private:
    const char* Data;
    qint64 Size;
    qint64 Position = 0;
};

// The JPEG file, read one segment header at a time; the data of segments other than the EXIF block
// is skipped with a seek, so the scan never reads the picture itself.
class FileSource {
public:
    explicit FileSource(QFile& file) : File(file) {}
    qint64 Read(char* out, qint64 n) { return std::max<qint64>(File.read(out, n), 0); }
    void Skip(qint64 n) { File.seek(File.pos() + n); }

private:
    QFile& File;
};

// The data of the first APP1 segment that starts with "Exif" and two 0 bytes, without those six
// bytes; empty when the header segments hold none. A segment cut short by the end of the file gives
// the bytes that are there.
template <class Source>
QByteArray FindExifBlock(Source& source) {
    uchar soi[2];
    if (source.Read(reinterpret_cast<char*>(soi), 2) != 2 || soi[0] != 0xFF || soi[1] != 0xD8) {
        throw EAppError(QStringLiteral("JPEG header is not valid"));
    }
    for (;;) {
        uchar marker = 0;
        if (source.Read(reinterpret_cast<char*>(&marker), 1) != 1 || marker != 0xFF) {
            return {};
        }
        while (marker == 0xFF) {  // fill bytes
            if (source.Read(reinterpret_cast<char*>(&marker), 1) != 1) {
                return {};
            }
        }
        if (marker == 0xDA || marker == 0xD9) {  // start of scan, end of image
            return {};
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // markers without a length
            continue;
        }
        uchar length[2];
        if (source.Read(reinterpret_cast<char*>(length), 2) != 2) {
            return {};
        }
        const qint64 dataLength = ((length[0] << 8) | length[1]) - 2;
        if (dataLength < 0) {
            return {};
        }
        if (marker == 0xE1 && dataLength >= 6) {
            char signature[6];
            if (source.Read(signature, 6) != 6) {
                return {};
            }
            if (std::memcmp(signature, "Exif\0\0", 6) == 0) {
                QByteArray block(dataLength - 6, Qt::Uninitialized);
                block.truncate(source.Read(block.data(), block.size()));
                return block;
            }
            source.Skip(dataLength - 6);
        } else {
            source.Skip(dataLength);
        }
    }
}

}  // namespace

void ExifReader::Reset() {
    Block_.clear();
    ByteOrder_ = ExifByteOrder::LittleEndian;
    Directories_ = {};
    Thumbnail_.clear();
}

void ExifReader::LoadFromFile(const QString& path) {
    Reset();
    QFile file;
    QString reason;
    if (!OpenRegularFile(file, path, reason)) {
        throw EFileError(QStringLiteral("Cannot open file \"%1\". %2").arg(path, reason));
    }
    FileSource source(file);
    ParseBlock(FindExifBlock(source));
}

void ExifReader::LoadFromBytes(const QByteArray& jpeg) {
    Reset();
    MemorySource source(jpeg);
    ParseBlock(FindExifBlock(source));
}

quint16 ExifReader::U16(qint64 offset) const {
    if (offset < 0 || offset + 2 > Block_.size()) {
        return 0;
    }
    const auto* p = reinterpret_cast<const uchar*>(Block_.constData()) + offset;
    return ByteOrder_ == ExifByteOrder::LittleEndian ? quint16(p[0] | (p[1] << 8))
                                                     : quint16((p[0] << 8) | p[1]);
}

quint32 ExifReader::U32(qint64 offset) const {
    const quint32 first = U16(offset);
    const quint32 second = U16(offset + 2);
    return ByteOrder_ == ExifByteOrder::LittleEndian ? first | (second << 16) : (first << 16) | second;
}

void ExifReader::ParseBlock(QByteArray block) {
    Block_ = std::move(block);
    if (Block_.size() < 8) {
        Block_.clear();
        return;
    }
    if (Block_.startsWith("II")) {
        ByteOrder_ = ExifByteOrder::LittleEndian;
    } else if (Block_.startsWith("MM")) {
        ByteOrder_ = ExifByteOrder::BigEndian;
    } else {
        Block_.clear();
        return;
    }
    if (U16(2) != 42) {
        Block_.clear();
        return;
    }
    const qint64 mainOffset = qint32(U32(4));
    ReadDirectory(ExifDirectoryKind::Main, mainOffset);

    const ExifDirectory& main = Directory(ExifDirectoryKind::Main);
    if (!main.BadOffset) {
        // The next-directory link follows the entries that the directory says it has.
        const qint64 link = mainOffset + 2 + EntrySize * U16(mainOffset);
        if (link + 4 <= Block_.size() && U32(link) != 0) {
            ReadDirectory(ExifDirectoryKind::Thumbnail, qint32(U32(link)));
        }
    }
    // Each directory is reached by one fixed link, so a link that points back at a directory already
    // read re-reads it once and can never loop.
    if (const qint64 offset = SubDirectoryOffset(ExifDirectoryKind::Main, TagExifPointer); offset != 0) {
        ReadDirectory(ExifDirectoryKind::ExifSub, offset);
    }
    if (const qint64 offset = SubDirectoryOffset(ExifDirectoryKind::Main, TagGpsPointer); offset != 0) {
        ReadDirectory(ExifDirectoryKind::Gps, offset);
    }
    if (const qint64 offset = SubDirectoryOffset(ExifDirectoryKind::ExifSub, TagInteroperabilityPointer);
        offset != 0) {
        ReadDirectory(ExifDirectoryKind::Interoperability, offset);
    }
    if (const ExifEntry* makerNote = Find(ExifDirectoryKind::ExifSub, TagMakerNote)) {
        ReadDirectory(ExifDirectoryKind::MakerNote, makerNote->ValueOffset);
    }

    const qint64 start = Integer(ExifDirectoryKind::Thumbnail, TagThumbnailOffset);
    const qint64 length = Integer(ExifDirectoryKind::Thumbnail, TagThumbnailLength);
    if (start > 0 && length > 0 && start + length <= Block_.size()) {
        Thumbnail_ = Block_.mid(start, length);
    }
}

// 0 when the link tag is missing; -1 (a bad offset) when it is there but holds no usable offset.
qint64 ExifReader::SubDirectoryOffset(ExifDirectoryKind parent, quint16 tag) const {
    const ExifDirectory& directory = Directory(parent);
    const auto it = std::find_if(directory.Entries.begin(), directory.Entries.end(),
                                 [tag](const ExifEntry& e) { return e.Tag == tag; });
    if (it == directory.Entries.end()) {
        return 0;
    }
    if (!it->Valid || it->Count == 0 || !IsOneOf(it->Type, {ExifLong, ExifSLong, ExifIfd})) {
        return -1;
    }
    const qint64 offset = qint32(U32(it->ValueOffset));
    return offset == 0 ? -1 : offset;
}

void ExifReader::ReadDirectory(ExifDirectoryKind kind, qint64 offset) {
    ExifDirectory& directory = Directories_[int(kind)];
    const qint64 length = Block_.size();
    if (offset < 0 || offset + 2 > length) {
        directory.BadOffset = true;
        return;
    }
    qint64 count = U16(offset);
    const qint64 room = (length - offset - 2) / EntrySize;
    if (count > room) {
        directory.BadTagCount = true;
        count = room;
    }
    directory.Entries.reserve(count);
    bool previousBad = false;
    for (qint64 i = 0; i < count; ++i) {
        const qint64 at = offset + 2 + EntrySize * i;
        ExifEntry entry;
        entry.Tag = U16(at);
        entry.Type = U16(at + 2);
        entry.Count = U32(at + 4);
        // The size is computed in 64 bits: a count that would wrap a 32-bit product must not pass
        // for a small value that fits in the entry.
        const qint64 size = qint64(entry.Count) * TypeSize(entry.Type);
        qint64 valueOffset = at + 8;
        if (size > 4) {
            valueOffset = qint32(U32(at + 8));
        }
        entry.Valid = TypeSize(entry.Type) != 0 && valueOffset >= 0 && valueOffset + size <= length;
        if (entry.Valid) {
            entry.ValueOffset = quint32(valueOffset);
        } else if (previousBad) {
            directory.BadTagCount = true;
            break;
        } else {
            directory.BadTagHeaders = true;
        }
        previousBad = !entry.Valid;
        directory.Entries.append(entry);
    }
}

bool ExifReader::IsEmpty() const {
    for (const ExifDirectory& directory : Directories_) {
        if (directory.TagCount() > 0) {
            return false;
        }
    }
    return Thumbnail_.isEmpty();
}

const ExifEntry* ExifReader::Find(ExifDirectoryKind kind, quint16 tag) const {
    for (const ExifEntry& entry : Directory(kind).Entries) {
        if (entry.Tag == tag && entry.Valid) {
            return &entry;
        }
    }
    return nullptr;
}

int ExifReader::TypeOf(ExifDirectoryKind kind, quint16 tag) const {
    const ExifEntry* entry = Find(kind, tag);
    return entry ? entry->Type : 0;
}

QByteArray ExifReader::ValueBytes(const ExifEntry& entry) const {
    const qint64 size = qint64(entry.Count) * TypeSize(entry.Type);
    if (!entry.Valid || entry.ValueOffset + size > Block_.size()) {
        return {};
    }
    return Block_.mid(entry.ValueOffset, size);
}

QString ExifReader::AsciiText(ExifDirectoryKind kind, quint16 tag) const {
    const ExifEntry* entry = Find(kind, tag);
    if (!entry || entry->Type != ExifAscii || entry->Count == 0) {
        return {};
    }
    const char* text = Block_.constData() + entry->ValueOffset;
    // Cameras pad their texts with 0 bytes; the text ends at the first one.
    return DecodeExifText(QByteArrayView(text, qsizetype(qstrnlen(text, entry->Count))));
}

QString ExifReader::XPText(quint16 tag) const {
    const ExifEntry* entry = Find(ExifDirectoryKind::Main, tag);
    if (!entry || entry->Type != ExifByte || entry->Count <= 1) {
        return {};
    }
    const auto* bytes = reinterpret_cast<const uchar*>(Block_.constData()) + entry->ValueOffset;
    const qint64 characters = entry->Count / 2 - 1;
    QString text;
    text.reserve(characters);
    for (qint64 i = 0; i < characters; ++i) {
        const char16_t c = char16_t(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        if (c == 0) {
            break;
        }
        text.append(QChar(c));
    }
    return text;
}

qint64 ExifReader::IntegerAt(const ExifEntry& entry, quint32 index) const {
    const qint64 at = entry.ValueOffset + qint64(index) * TypeSize(entry.Type);
    switch (entry.Type) {
        case ExifByte:
        case ExifUndefined:
            return at < Block_.size() ? quint8(Block_[at]) : 0;
        case ExifSByte:
            return at < Block_.size() ? qint8(Block_[at]) : 0;
        case ExifShort:
            return U16(at);
        case ExifSShort:
            return qint16(U16(at));
        case ExifLong:
            return U32(at);
        case ExifSLong:
            return qint32(U32(at));
        default:
            return 0;
    }
}

std::optional<int> ExifReader::Code16(ExifDirectoryKind kind, quint16 tag) const {
    const int code = qint16(quint16(UnsignedCode16(kind, tag, 0xFFFF)));
    return code == -1 ? std::nullopt : std::optional<int>(code);
}

int ExifReader::UnsignedCode16(ExifDirectoryKind kind, quint16 tag, int missing) const {
    const ExifEntry* entry = Find(kind, tag);
    if (!entry || entry->Count == 0 || !IsOneOf(entry->Type, {ExifShort, ExifSShort, ExifByte, ExifSByte})) {
        return missing;
    }
    // A byte is widened without sign.
    return entry->Type == ExifSByte ? quint8(IntegerAt(*entry, 0)) : quint16(IntegerAt(*entry, 0));
}

std::optional<int> ExifReader::Code8(ExifDirectoryKind kind, quint16 tag) const {
    const ExifEntry* entry = Find(kind, tag);
    if (!entry || entry->Count == 0 || !IsOneOf(entry->Type, {ExifByte, ExifSByte, ExifUndefined})) {
        return std::nullopt;
    }
    return quint8(Block_[entry->ValueOffset]);
}

qint64 ExifReader::Integer(ExifDirectoryKind kind, quint16 tag) const {
    const QList<qint64> values = Integers(kind, tag);
    return values.isEmpty() ? 0 : values.front();
}

QList<qint64> ExifReader::Integers(ExifDirectoryKind kind, quint16 tag) const {
    const ExifEntry* entry = Find(kind, tag);
    if (!entry || !IsOneOf(entry->Type, {ExifByte, ExifSByte, ExifShort, ExifSShort, ExifLong, ExifSLong})) {
        return {};
    }
    QList<qint64> values;
    values.reserve(entry->Count);
    for (quint32 i = 0; i < entry->Count; ++i) {
        values.append(IntegerAt(*entry, i));
    }
    return values;
}

ExifRational ExifReader::Rational(ExifDirectoryKind kind, quint16 tag, int n) const {
    const ExifEntry* entry = Find(kind, tag);
    if (!entry || n < 0 || quint32(n) >= entry->Count ||
        !IsOneOf(entry->Type, {ExifRationalType, ExifSRational})) {
        return {};
    }
    const qint64 at = entry->ValueOffset + 8 * qint64(n);
    return {U32(at), U32(at + 4)};
}

std::optional<QDateTime> ExifReader::DateTime(ExifDirectoryKind kind, quint16 tag) const {
    const QString text = AsciiText(kind, tag);
    if (text.size() < 19) {
        return std::nullopt;
    }
    bool ok = true;
    const auto number = [&](int from, int digits) {
        int value = 0;
        for (int i = from; i < from + digits; ++i) {
            const QChar c = text[i];
            ok = ok && c.isDigit();
            value = value * 10 + c.digitValue();
        }
        return value;
    };
    const QDate date(number(0, 4), number(5, 2), number(8, 2));
    const QTime time(number(11, 2), number(14, 2), number(17, 2));
    if (!ok || !date.isValid() || !time.isValid()) {
        return std::nullopt;
    }
    return QDateTime(date, time, Qt::UTC);  // no zone: never shifted by a daylight-saving gap
}

std::optional<std::array<quint8, 4>> ExifReader::Version(ExifDirectoryKind kind, quint16 tag) const {
    const ExifEntry* entry = Find(kind, tag);
    if (!entry || entry->Count < 4 || TypeSize(entry->Type) != 1) {
        return std::nullopt;
    }
    std::array<quint8, 4> bytes;
    std::memcpy(bytes.data(), Block_.constData() + entry->ValueOffset, 4);
    return bytes;
}

char ExifReader::FirstCharacter(ExifDirectoryKind kind, quint16 tag) const {
    const QString text = AsciiText(kind, tag);
    return text.isEmpty() ? 0 : text[0].toLatin1();
}

ExifCoordinate ExifReader::Coordinate(quint16 valueTag, quint16 referenceTag) const {
    constexpr auto gps = ExifDirectoryKind::Gps;
    char reference = FirstCharacter(gps, referenceTag);
    if (reference >= 'a' && reference <= 'z') {
        reference = char(reference - 'a' + 'A');
    }
    return {Rational(gps, valueTag, 0), Rational(gps, valueTag, 1), Rational(gps, valueTag, 2), reference};
}

ExifResolution ExifReader::Resolution(ExifDirectoryKind kind, quint16 xTag, quint16 yTag,
                                      quint16 unitTag) const {
    const auto isRational = [&](quint16 tag) {
        const ExifEntry* entry = Find(kind, tag);
        return entry && entry->Count > 0 && IsOneOf(entry->Type, {ExifRationalType, ExifSRational});
    };
    ExifResolution resolution;
    resolution.X = Rational(kind, xTag);
    resolution.Y = Rational(kind, yTag);
    resolution.Unit = UnsignedCode16(kind, unitTag, 1);
    resolution.Present = isRational(xTag) && isRational(yTag);
    return resolution;
}

QString DecodeExifText(QByteArrayView bytes) {
    return IsValidUtf8(bytes) ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
}

int ReadExifOrientation(const QString& path) noexcept {
    try {
        ExifReader reader;
        reader.LoadFromFile(path);
        return reader.UnsignedCode16(ExifDirectoryKind::Main, TagOrientation, 0);
    } catch (...) {
        return 0;
    }
}

bool ReadExifThumbnailJpeg(const QString& path, ExifThumbnailJpeg& result) noexcept {
    result = {};
    try {
        ExifReader reader;
        reader.LoadFromFile(path);
        if (reader.ThumbnailJpeg().isEmpty()) {
            return false;
        }
        result.Jpeg = reader.ThumbnailJpeg();
        result.Orientation = reader.UnsignedCode16(ExifDirectoryKind::Thumbnail, TagOrientation, 0);
        return true;
    } catch (...) {
        result = {};
        return false;
    }
}

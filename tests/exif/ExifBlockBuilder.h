#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>
#include <initializer_list>
#include <utility>

// Builds EXIF blocks byte by byte for the tests: a TIFF header, the directories that have entries
// (main, thumbnail, Exif, GPS, interoperability, in this order), then the values that do not fit in
// an entry. The links to the sub-directories and the thumbnail's offset and length are added on Build.
namespace exiftest {

enum class Dir { Main, Thumb, Exif, Gps, Interop };

class ExifBlockBuilder {
public:
    explicit ExifBlockBuilder(bool bigEndian = false) : BigEndian(bigEndian) {}

    ExifBlockBuilder& Ascii(Dir dir, quint16 tag, const QByteArray& text) {
        return Add(dir, tag, 2, quint32(text.size() + 1), text + QByteArray(1, '\0'));
    }
    ExifBlockBuilder& Bytes(Dir dir, quint16 tag, quint16 type, const QByteArray& bytes) {
        return Add(dir, tag, type, quint32(bytes.size()), bytes);
    }
    ExifBlockBuilder& Short(Dir dir, quint16 tag, std::initializer_list<quint16> values, quint16 type = 3) {
        QByteArray data;
        for (quint16 v : values) {
            data += U16(v);
        }
        return Add(dir, tag, type, quint32(values.size()), data);
    }
    ExifBlockBuilder& Long(Dir dir, quint16 tag, std::initializer_list<quint32> values, quint16 type = 4) {
        QByteArray data;
        for (quint32 v : values) {
            data += U32(v);
        }
        return Add(dir, tag, type, quint32(values.size()), data);
    }
    ExifBlockBuilder& Rational(Dir dir, quint16 tag,
                               std::initializer_list<std::pair<quint32, quint32>> values, quint16 type = 5) {
        QByteArray data;
        for (auto [n, d] : values) {
            data += U32(n) + U32(d);
        }
        return Add(dir, tag, type, quint32(values.size()), data);
    }
    // UTF-16 LE text with its 0 terminator, as Windows stores its "XP" tags (type BYTE).
    ExifBlockBuilder& XP(quint16 tag, const QString& text) {
        QByteArray data;
        for (QChar c : text + QChar(0)) {
            data += char(c.unicode() & 0xFF);
            data += char(c.unicode() >> 8);
        }
        return Add(Dir::Main, tag, 1, quint32(data.size()), data);
    }
    // An entry written exactly as given: the value field is not moved to the data area.
    ExifBlockBuilder& Raw(Dir dir, quint16 tag, quint16 type, quint32 count, quint32 valueField) {
        Entries[int(dir)].append({tag, type, count, {}, true, valueField, -1});
        return *this;
    }
    ExifBlockBuilder& Thumbnail(const QByteArray& jpeg) {
        ThumbnailBytes = jpeg;
        return *this;
    }
    // Writes `count` into the directory's entry-count field instead of the true count.
    ExifBlockBuilder& DeclaredCount(Dir dir, quint16 count) {
        DeclaredCounts[int(dir)] = count;
        return *this;
    }

    // The block from the TIFF header on.
    QByteArray Build() const {
        std::array<QList<Entry>, 5> entries = Entries;
        if (!entries[int(Dir::Exif)].isEmpty()) {
            entries[int(Dir::Main)].append({0x8769, 4, 1, {}, false, 0, int(Dir::Exif)});
        }
        if (!entries[int(Dir::Gps)].isEmpty()) {
            entries[int(Dir::Main)].append({0x8825, 4, 1, {}, false, 0, int(Dir::Gps)});
        }
        if (!entries[int(Dir::Interop)].isEmpty()) {
            entries[int(Dir::Exif)].append({0xA005, 4, 1, {}, false, 0, int(Dir::Interop)});
        }
        if (!ThumbnailBytes.isEmpty()) {
            entries[int(Dir::Thumb)].append({0x0201, 4, 1, {}, false, 0, ThumbnailTarget});
            entries[int(Dir::Thumb)].append(
                {0x0202, 4, 1, U32(quint32(ThumbnailBytes.size())), false, 0, -1});
        }
        std::array<qint64, 5> offsets{};
        qint64 at = 8;
        for (int d = 0; d < 5; ++d) {
            if (d == int(Dir::Main) || !entries[d].isEmpty()) {
                offsets[d] = at;
                at += 2 + 12 * entries[d].size() + 4;
            }
        }
        QByteArray data;
        const qint64 dataStart = at;
        QByteArray thumbnailPlace;
        QByteArray block = QByteArray(BigEndian ? "MM" : "II") + U16(42) + U32(8);
        for (int d = 0; d < 5; ++d) {
            if (offsets[d] == 0) {
                continue;
            }
            block += U16(DeclaredCounts[d] >= 0 ? quint16(DeclaredCounts[d]) : quint16(entries[d].size()));
            for (const Entry& e : entries[d]) {
                block += U16(e.Tag) + U16(e.Type) + U32(e.Count);
                if (e.IsRaw) {
                    block += U32(e.RawField);
                } else if (e.Target == ThumbnailTarget) {
                    block += U32(quint32(dataStart + ThumbnailOffsetIn(entries)));
                } else if (e.Target >= 0) {
                    block += U32(quint32(offsets[e.Target]));
                } else if (e.Data.size() <= 4) {
                    block += e.Data.leftJustified(4, '\0');
                } else {
                    block += U32(quint32(dataStart + data.size()));
                    data += e.Data;
                }
            }
            const bool linkToThumbnail = d == int(Dir::Main) && offsets[int(Dir::Thumb)] != 0;
            block += U32(linkToThumbnail ? quint32(offsets[int(Dir::Thumb)]) : 0);
        }
        return block + data + ThumbnailBytes;
    }

    // A JPEG stream: start of image, the EXIF APP1 segment, a start of scan, end of image.
    QByteArray Jpeg() const { return WrapInJpeg(Build()); }

    static QByteArray WrapInJpeg(const QByteArray& tiff) {
        const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
        const int length = int(payload.size()) + 2;
        QByteArray jpeg("\xFF\xD8\xFF\xE1", 4);
        jpeg += char(length >> 8);
        jpeg += char(length & 0xFF);
        return jpeg + payload + QByteArray("\xFF\xDA\x00\x02\xFF\xD9", 6);
    }

    QByteArray U16(quint16 v) const {
        QByteArray b(2, '\0');
        b[BigEndian ? 0 : 1] = char(v >> 8);
        b[BigEndian ? 1 : 0] = char(v & 0xFF);
        return b;
    }
    QByteArray U32(quint32 v) const {
        return BigEndian ? U16(quint16(v >> 16)) + U16(quint16(v)) : U16(quint16(v)) + U16(quint16(v >> 16));
    }

private:
    static constexpr int ThumbnailTarget = 100;
    struct Entry {
        quint16 Tag, Type;
        quint32 Count;
        QByteArray Data;
        bool IsRaw;
        quint32 RawField;
        int Target;  // a directory whose offset is the value, ThumbnailTarget, or -1
    };

    ExifBlockBuilder& Add(Dir dir, quint16 tag, quint16 type, quint32 count, const QByteArray& data) {
        Entries[int(dir)].append({tag, type, count, data, false, 0, -1});
        return *this;
    }
    // The thumbnail follows the data of every entry.
    static qint64 ThumbnailOffsetIn(const std::array<QList<Entry>, 5>& entries) {
        qint64 size = 0;
        for (const auto& list : entries) {
            for (const Entry& e : list) {
                if (!e.IsRaw && e.Target < 0 && e.Data.size() > 4) {
                    size += e.Data.size();
                }
            }
        }
        return size;
    }

    bool BigEndian;
    std::array<QList<Entry>, 5> Entries;
    std::array<int, 5> DeclaredCounts{-1, -1, -1, -1, -1};
    QByteArray ThumbnailBytes;
};

}  // namespace exiftest

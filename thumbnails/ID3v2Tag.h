#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <cstdint>
#include <vector>

// A reader of ID3v2.3 and ID3v2.4 tags, the container of the thumbnail database files. It reads a tag
// into frames held in memory; it never writes one, and checks no CRC.

// One frame: a four-character identifier, its flags and its content as stored.
class TID3v2Frame {
public:
    QByteArray ID;  // 4 bytes, as stored
    qint32 Size = 0;
    quint16 FrameFlags = 0;  // first byte high
    bool Compressed = false;
    bool Encrypted = false;
    bool Grouped = false;
    bool Unsynchronised = false;
    bool HasDataLength = false;
    quint8 GroupID = 0;           // read in version 4 only
    quint8 EncryptionMethod = 0;  // read in version 4 only
    quint32 DataLength = 0;       // recorded, not used
    // After LoadFromFile the content refers to the tag's copy of the file instead of holding its own
    // bytes; it turns into its own copy when it is changed. Copy it with QByteArray(constData(),
    // size()) to keep it beyond the tag's next Clear, load or destruction.
    QByteArray Content;

    // Leaves out every 0x00 that directly follows a 0xFF in the content; clears Unsynchronised.
    bool RemoveUnsynchronisation();
    // Inflates a content of more than 4 bytes as one zlib stream; on success clears Compressed and
    // HasDataLength. On any error, an inflated size above MaxInflatedSize included, the content stays.
    bool Decompress();

    static constexpr qsizetype MaxInflatedSize = 64 * 1024 * 1024;
};

// The version 2.3 extended header, kept unparsed beyond its size and flags.
class TID3v2ExtendedHeader3 {
public:
    quint32 Size = 0;  // synchsafe-decoded
    QByteArray SizeBytes;
    quint16 ExtFlags = 0;
    bool CRCPresent = false;
    QByteArray Rest;  // padding size and, when present, the CRC
};

// The version 2.4 extended header. Its flag data is read in the ID3v2.4.0 layout: for each set flag
// (update, CRC, restrictions, in that order) a length byte and that many bytes; FlagData holds them all,
// length bytes included.
class TID3v2ExtendedHeader4 {
public:
    quint32 Size = 0;  // synchsafe-decoded
    QByteArray SizeBytes;
    quint8 FlagByteCount = 0;  // as stored, not checked
    quint8 ExtFlags = 0;
    bool IsUpdate = false;
    bool CRCPresent = false;
    bool HasRestrictions = false;
    quint32 FlagDataLength = 0;
    QByteArray FlagData;
};

class TID3v2Tag {
public:
    // Result codes of LoadFromFile and LoadFromStream.
    static constexpr int ResultOK = 0;
    static constexpr int ResultCannotOpen = 3;
    static constexpr int ResultWrongVersion = 7;
    static constexpr int ResultNoTag = 65535;

    QString FileName;  // set by a file load that returned 0 or 7
    bool Loaded = false;
    quint8 MajorVersion = 3;
    quint8 Revision = 0;
    quint8 Flags = 0;
    bool Unsynchronisation = false;
    bool HasExtendedHeader = false;
    bool Experimental = false;
    bool HasFooter = false;
    quint32 Size = 0;  // recorded, never used to limit reading
    TID3v2ExtendedHeader3 ExtendedHeader3;
    TID3v2ExtendedHeader4 ExtendedHeader4;

    void Clear();
    // Never raise; see the result codes above. A failed load leaves the tag cleared.
    int LoadFromFile(const QString& path);
    // Reads a tag that starts at the stream's current position.
    int LoadFromStream(QIODevice& stream);

    // The index of the first frame whose identifier equals `id` byte for byte, or -1.
    int FindFrame(const QByteArray& id) const;
    // Appends an empty frame and returns its index; -1 when `id` is not 4 bytes long.
    int AddFrame(const QByteArray& id);

    int FrameCount() const { return static_cast<int>(FrameList.size()); }
    TID3v2Frame& Frames(int index) { return FrameList.at(index); }
    const TID3v2Frame& Frames(int index) const { return FrameList.at(index); }

private:
    int Parse(QIODevice& stream);
    bool ReadExtendedHeader(QIODevice& stream);
    bool ReadFrame(QIODevice& stream);

    std::vector<TID3v2Frame> FrameList;
    QByteArray FileBytes;                 // the file last loaded, which frame contents refer to
    const QByteArray* Backing = nullptr;  // the bytes behind the stream being parsed, if known
};

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
    // Where the content lies in the stream, for a frame read by TID3v2Tag::NextFrameHeader (its
    // Content stays empty until ReadContent); -1 otherwise.
    qint64 ContentOffset = -1;
    qint64 ContentLength = 0;

    // Reads the content that ContentOffset and ContentLength locate from `stream` into Content. False,
    // the content unchanged, when it is longer than `limit` or the stream no longer holds it.
    bool ReadContent(QIODevice& stream, qsizetype limit);
    // Leaves out every 0x00 that directly follows a 0xFF in the content; clears Unsynchronised.
    bool RemoveUnsynchronisation();
    // Inflates a content of more than 4 bytes as one zlib stream; on success clears Compressed and
    // HasDataLength. On any error, an inflated size above `limit` included, the content stays.
    // `inflated` tells how many bytes the attempt produced, whether it succeeded or not (at most
    // limit + 1).
    bool Decompress(qsizetype limit, qsizetype& inflated);
    bool Decompress();  // with the limit MaxInflatedSize

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

    // Reading frame by frame, for a file too large to hold whole. ReadHeader clears the tag and reads
    // the tag header (and an extended header) at the position of `stream`, which must be seekable;
    // the result codes are those of LoadFromStream, and the tag keeps no frames. Then each
    // NextFrameHeader reads the header of the frame at the stream's position into `frame`, as
    // LoadFromStream would read it, and steps over its content, recording where it lies (what
    // LoadFromStream would have copied of it) in ContentOffset and ContentLength. False when the
    // frames end before this frame; `more` false when they end after it.
    int ReadHeader(QIODevice& stream);
    bool NextFrameHeader(QIODevice& stream, TID3v2Frame& frame, bool& more) const;

    // The index of the first frame whose identifier equals `id` byte for byte, or -1.
    int FindFrame(const QByteArray& id) const;
    // Appends an empty frame and returns its index; -1 when `id` is not 4 bytes long.
    int AddFrame(const QByteArray& id);

    int FrameCount() const { return static_cast<int>(FrameList.size()); }
    TID3v2Frame& Frames(int index) { return FrameList.at(index); }
    const TID3v2Frame& Frames(int index) const { return FrameList.at(index); }

private:
    enum class TFrameHeader { None, Cut, Read };

    int Parse(QIODevice& stream);
    int ParseHeader(QIODevice& stream);
    bool ReadExtendedHeader(QIODevice& stream);
    bool ReadFrame(QIODevice& stream);
    // The next frame's identifier (one invalid group of four bytes skipped), header and extra fields,
    // and the length of the content that follows them. Cut: the header ends with the stream.
    TFrameHeader ReadFrameHeader(QIODevice& stream, TID3v2Frame& frame, qint64& length) const;

    std::vector<TID3v2Frame> FrameList;
    QByteArray FileBytes;                 // the file last loaded, which frame contents refer to
    const QByteArray* Backing = nullptr;  // the bytes behind the stream being parsed, if known
};

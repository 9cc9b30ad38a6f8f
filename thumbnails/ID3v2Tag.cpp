#include "ID3v2Tag.h"

#include <QBuffer>
#include <QFile>

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <optional>

#include "FileUtils.h"

namespace {

// Contents are copied through blocks of this size, so a declared size far beyond the file never costs
// more memory than the bytes that are really there.
constexpr qint64 BlockSize = 61440;

// Reads never fail at the end of the stream: they deliver what is there, and the bytes of `target`
// that were not delivered keep their value.
qint64 ReadSome(QIODevice& stream, char* target, qint64 count) {
    const qint64 got = stream.read(target, count);
    return got < 0 ? 0 : got;
}

quint32 BigEndian32(const char* bytes) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes);
    return (quint32(b[0]) << 24) | (quint32(b[1]) << 16) | (quint32(b[2]) << 8) | quint32(b[3]);
}

quint32 Synchsafe(const char* bytes) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes);
    return (quint32(b[0] & 0x7F) << 21) | (quint32(b[1] & 0x7F) << 14) | (quint32(b[2] & 0x7F) << 7) |
           quint32(b[3] & 0x7F);
}

// Appends `count` bytes of the stream to `target`, block by block; a block is appended only when it
// could be read whole. A count of zero or less copies nothing. False when the stream ran out.
bool CopyRun(QIODevice& stream, QByteArray& target, qint64 count) {
    if (count <= 0) {
        return true;
    }
    while (count > 0) {
        const qint64 block = std::min(count, BlockSize);
        const qsizetype old = target.size();
        target.resize(old + block);
        if (ReadSome(stream, target.data() + old, block) != block) {
            target.resize(old);
            return false;
        }
        count -= block;
    }
    return true;
}

// Where the bytes that CopyRun would append lie in a seekable stream: the whole run, or the whole
// blocks of it that the stream holds. Moves the stream on as CopyRun would; false when it ran out.
bool LocateRun(QIODevice& stream, qint64 count, qint64& offset, qint64& length) {
    offset = stream.pos();
    length = 0;
    if (count <= 0) {
        return true;
    }
    const qint64 available = std::max<qint64>(stream.size() - offset, 0);
    const bool whole = count <= available;
    length = whole ? count : available / BlockSize * BlockSize;
    stream.seek(offset + std::min(count, available));
    return whole;
}

// What CopyRun would append, taken without copying from `backing`, the bytes behind the stream.
bool ReferRun(QIODevice& stream, const QByteArray& backing, QByteArray& target, qint64 count) {
    qint64 offset = 0;
    qint64 length = 0;
    const bool whole = LocateRun(stream, count, offset, length);
    if (length > 0) {
        target = QByteArray::fromRawData(backing.constData() + offset, length);
    }
    return whole;
}

// Four ASCII digits or capital letters.
bool IsValidFrameID(const QByteArray& id) {
    return id.size() == 4 && std::all_of(id.begin(), id.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z');
           });
}

// Leaves out every 0x00 that directly follows a 0xFF, judged on the input bytes (FF 00 00 gives FF 00).
void RemoveUnsynchronisationFrom(QByteArray& bytes) {
    // Rewritten in place: the write position never passes the read position.
    char* data = bytes.data();
    qsizetype out = 0;
    bool afterFF = false;
    for (qsizetype in = 0; in < bytes.size(); ++in) {
        const char byte = data[in];
        if (!(afterFF && byte == '\0')) {
            data[out++] = byte;
        }
        afterFF = static_cast<unsigned char>(byte) == 0xFF;
    }
    bytes.truncate(out);
}

// Four bytes read as a frame identifier; fewer than four left are no identifier.
bool ReadIdentifier(QIODevice& stream, QByteArray& id) {
    id.fill('\0', 4);
    return ReadSome(stream, id.data(), 4) == 4 && IsValidFrameID(id);
}

}  // namespace

// TID3v2Frame -----------------------------------------------------------------------------------------

bool TID3v2Frame::RemoveUnsynchronisation() {
    RemoveUnsynchronisationFrom(Content);
    Unsynchronised = false;
    return true;
}

bool TID3v2Frame::ReadContent(QIODevice& stream, qsizetype limit) {
    if (ContentOffset < 0 || ContentLength < 0 || ContentLength > limit || !stream.seek(ContentOffset)) {
        return false;
    }
    QByteArray bytes(static_cast<qsizetype>(ContentLength), Qt::Uninitialized);
    if (ReadSome(stream, bytes.data(), ContentLength) != ContentLength) {
        return false;
    }
    Content = std::move(bytes);
    return true;
}

bool TID3v2Frame::Decompress() {
    qsizetype inflated = 0;
    return Decompress(MaxInflatedSize, inflated);
}

bool TID3v2Frame::Decompress(qsizetype limit, qsizetype& inflatedSize) {
    inflatedSize = 0;
    if (Content.size() <= 4) {
        return false;
    }
    z_stream zip{};
    if (inflateInit(&zip) != Z_OK) {
        return false;
    }
    // zlib only reads its input; constData keeps a shared content from being copied.
    zip.next_in = const_cast<Bytef*>(reinterpret_cast<const Bytef*>(Content.constData()));
    zip.avail_in = static_cast<uInt>(Content.size());
    // One byte of room beyond the bound tells a stream that ends exactly there from one that goes on.
    const qsizetype room = std::max<qsizetype>(limit, 0) + 1;
    QByteArray inflated;
    int status = Z_OK;
    try {
        inflated.resize(std::min(room, Content.size() * 4));
        while (status == Z_OK) {
            if (zip.total_out == static_cast<uLong>(inflated.size())) {
                if (inflated.size() == room) {
                    break;  // more than the bound: taken as a damaged or hostile stream
                }
                inflated.resize(std::min(room, inflated.size() * 2));
            }
            zip.next_out = reinterpret_cast<Bytef*>(inflated.data()) + zip.total_out;
            zip.avail_out = static_cast<uInt>(inflated.size() - static_cast<qsizetype>(zip.total_out));
            status = inflate(&zip, Z_NO_FLUSH);
        }
    } catch (const std::exception&) {
        status = Z_MEM_ERROR;
    }
    inflateEnd(&zip);
    inflatedSize = static_cast<qsizetype>(zip.total_out);
    if (status != Z_STREAM_END || inflatedSize > limit) {
        return false;
    }
    inflated.truncate(static_cast<qsizetype>(zip.total_out));
    Content = std::move(inflated);
    Compressed = false;
    HasDataLength = false;
    return true;
}

// TID3v2Tag -------------------------------------------------------------------------------------------

void TID3v2Tag::Clear() {
    FrameList.clear();  // before the bytes their contents may refer to
    FileBytes.clear();
    FileName.clear();
    Loaded = false;
    MajorVersion = 3;
    Revision = 0;
    Flags = 0;
    Unsynchronisation = false;
    HasExtendedHeader = false;
    Experimental = false;
    HasFooter = false;
    Size = 0;
    ExtendedHeader3 = TID3v2ExtendedHeader3();
    ExtendedHeader4 = TID3v2ExtendedHeader4();
}

namespace {
// A tag's header and its frames (a 28-bit size), and room for a footer.
constexpr qint64 MaxTagFileBytes = (qint64(1) << 28) + 20;
}  // namespace

int TID3v2Tag::LoadFromFile(const QString& path) {
    Clear();
    if (!FileExists(path)) {
        return ResultCannotOpen;
    }
    // Read-only; other processes may go on reading the file meanwhile. A database file is read whole
    // anyway: one read of the file, then frames parsed from memory, their contents referring to the
    // file's bytes instead of copies of them. A tag cannot be larger than its 28-bit size says.
    try {
        std::optional<QByteArray> bytes = ReadRegularFile(path, MaxTagFileBytes);
        if (!bytes) {
            return ResultCannotOpen;
        }
        FileBytes = *std::move(bytes);
    } catch (const std::exception&) {
        return ResultCannotOpen;
    }
    QBuffer buffer(&FileBytes);
    buffer.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    Backing = &FileBytes;
    const int result = Parse(buffer);
    Backing = nullptr;
    if (result == ResultOK || result == ResultWrongVersion) {
        FileName = path;
    }
    return result;
}

int TID3v2Tag::LoadFromStream(QIODevice& stream) {
    Clear();
    return Parse(stream);
}

int TID3v2Tag::Parse(QIODevice& stream) {
    if (stream.isSequential()) {
        // The reader steps back over a probed extended header, which needs a seekable stream.
        QBuffer buffer;
        try {
            buffer.setData(stream.readAll());
        } catch (const std::exception&) {
            return ResultNoTag;
        }
        buffer.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        return Parse(buffer);
    }
    const int result = ParseHeader(stream);
    if (result != ResultOK) {
        return result;
    }
    while (ReadFrame(stream)) {
    }
    Loaded = true;
    return ResultOK;
}

int TID3v2Tag::ReadHeader(QIODevice& stream) {
    Clear();
    return ParseHeader(stream);
}

int TID3v2Tag::ParseHeader(QIODevice& stream) {
    try {
        char magic[3] = {};
        if (ReadSome(stream, magic, 3) != 3 || std::memcmp(magic, "ID3", 3) != 0) {
            return ResultNoTag;
        }
        // A header cut short keeps the values of a cleared tag, so "ID3" alone reads as version 3.
        char version[2] = {static_cast<char>(MajorVersion), static_cast<char>(Revision)};
        ReadSome(stream, version, 2);
        MajorVersion = static_cast<quint8>(version[0]);
        Revision = static_cast<quint8>(version[1]);
        if (MajorVersion < 3 || MajorVersion > 4) {
            return ResultWrongVersion;
        }
        char flags = 0;
        ReadSome(stream, &flags, 1);
        Flags = static_cast<quint8>(flags);
        Unsynchronisation = (Flags & 0x80) != 0;
        HasExtendedHeader = (Flags & 0x40) != 0;
        Experimental = (Flags & 0x20) != 0;
        HasFooter = (Flags & 0x10) != 0;
        char size[4] = {};
        ReadSome(stream, size, 4);
        Size = Synchsafe(size);
        if (HasExtendedHeader) {
            ReadExtendedHeader(stream);
        }
    } catch (const std::exception&) {
        Clear();
        return ResultNoTag;
    }
    return ResultOK;
}

bool TID3v2Tag::ReadExtendedHeader(QIODevice& stream) {
    // Some writers set the flag without writing the header: a frame identifier where it should start
    // means there is none.
    const qint64 start = stream.pos();
    QByteArray probe(4, '\0');
    ReadSome(stream, probe.data(), 4);
    stream.seek(start);
    if (IsValidFrameID(probe)) {
        HasExtendedHeader = false;
        return false;
    }
    char size[4] = {};
    ReadSome(stream, size, 4);
    if (MajorVersion == 3) {
        TID3v2ExtendedHeader3& header = ExtendedHeader3;
        header.SizeBytes = QByteArray(size, 4);
        header.Size = Synchsafe(size);
        char flags[2] = {};
        ReadSome(stream, flags, 2);
        header.ExtFlags = static_cast<quint16>((static_cast<unsigned char>(flags[0]) << 8) |
                                               static_cast<unsigned char>(flags[1]));
        header.CRCPresent = (header.ExtFlags & 0x8000) != 0;
        CopyRun(stream, header.Rest, qint64(header.Size) - 2);
        if (Unsynchronisation) {
            RemoveUnsynchronisationFrom(header.Rest);
        }
        return true;
    }
    TID3v2ExtendedHeader4& header = ExtendedHeader4;
    header.SizeBytes = QByteArray(size, 4);
    header.Size = Synchsafe(size);
    char counts[2] = {};
    ReadSome(stream, counts, 2);
    header.FlagByteCount = static_cast<quint8>(counts[0]);
    header.ExtFlags = static_cast<quint8>(counts[1]);
    header.IsUpdate = (header.ExtFlags & 0x40) != 0;
    header.CRCPresent = (header.ExtFlags & 0x20) != 0;
    header.HasRestrictions = (header.ExtFlags & 0x10) != 0;
    for (const bool present : {header.IsUpdate, header.CRCPresent, header.HasRestrictions}) {
        if (!present) {
            continue;
        }
        char length = 0;
        if (ReadSome(stream, &length, 1) != 1) {
            break;
        }
        header.FlagData.append(length);
        CopyRun(stream, header.FlagData, static_cast<unsigned char>(length));
    }
    header.FlagDataLength = static_cast<quint32>(header.FlagData.size());
    return true;
}

bool TID3v2Tag::ReadFrame(QIODevice& stream) {
    TID3v2Frame header;
    qint64 length = 0;
    const TFrameHeader read = ReadFrameHeader(stream, header, length);
    if (read == TFrameHeader::None) {
        return false;
    }
    const int index = AddFrame(header.ID);
    if (index < 0) {
        return false;
    }
    TID3v2Frame& frame = FrameList[index];
    frame = std::move(header);
    if (read == TFrameHeader::Cut) {
        return false;  // the frame stays with what was read
    }
    try {
        // A content cut by the end of the file keeps its whole blocks and ends the frames.
        return Backing != nullptr ? ReferRun(stream, *Backing, frame.Content, length)
                                  : CopyRun(stream, frame.Content, length);
    } catch (const std::exception&) {
        return false;
    }
}

bool TID3v2Tag::NextFrameHeader(QIODevice& stream, TID3v2Frame& frame, bool& more) const {
    frame = TID3v2Frame();
    more = false;
    qint64 length = 0;
    const TFrameHeader read = ReadFrameHeader(stream, frame, length);
    if (read == TFrameHeader::None) {
        return false;
    }
    if (read == TFrameHeader::Read) {
        more = LocateRun(stream, length, frame.ContentOffset, frame.ContentLength);
    } else {
        frame.ContentOffset = stream.pos();
    }
    return true;
}

TID3v2Tag::TFrameHeader TID3v2Tag::ReadFrameHeader(QIODevice& stream, TID3v2Frame& frame,
                                                   qint64& length) const {
    // One invalid group of four bytes is skipped; two in a row end the frames (padding, a footer, the
    // end of the file).
    if (!ReadIdentifier(stream, frame.ID) && !ReadIdentifier(stream, frame.ID)) {
        return TFrameHeader::None;
    }
    try {
        char header[6] = {};
        if (ReadSome(stream, header, 6) != 6) {
            return TFrameHeader::Cut;  // a header cut by the end of the file: the frame stays, empty
        }
        frame.FrameFlags = static_cast<quint16>((static_cast<unsigned char>(header[4]) << 8) |
                                                static_cast<unsigned char>(header[5]));
        const quint16 flags = frame.FrameFlags;
        if (MajorVersion == 3) {
            frame.Size = static_cast<qint32>(BigEndian32(header));
            frame.Compressed = (flags & 0x0080) != 0;
            frame.Encrypted = (flags & 0x0040) != 0;
            frame.Grouped = (flags & 0x0020) != 0;
            // Version 3 unsynchronises the whole tag, never single frames.
            frame.Unsynchronised = Unsynchronisation;
            length = frame.Size;
            if (frame.Compressed) {
                char dataLength[4] = {};
                if (ReadSome(stream, dataLength, 4) != 4) {
                    return TFrameHeader::Cut;
                }
                frame.DataLength = BigEndian32(dataLength);
                frame.HasDataLength = true;
                length -= 4;
            }
            return TFrameHeader::Read;
        }
        frame.Size = static_cast<qint32>(Synchsafe(header));
        frame.Grouped = (flags & 0x0040) != 0;
        frame.Compressed = (flags & 0x0008) != 0;
        frame.Encrypted = (flags & 0x0004) != 0;
        frame.Unsynchronised = (flags & 0x0002) != 0;
        frame.HasDataLength = (flags & 0x0001) != 0;
        length = frame.Size;
        // The extra fields come off the content length; a field cut by the end ends the frames.
        const auto readByte = [&](quint8& field) {
            char byte = 0;
            if (ReadSome(stream, &byte, 1) != 1) {
                return false;
            }
            field = static_cast<quint8>(byte);
            --length;
            return true;
        };
        if ((frame.Grouped && !readByte(frame.GroupID)) ||
            (frame.Encrypted && !readByte(frame.EncryptionMethod))) {
            return TFrameHeader::Cut;
        }
        if (frame.HasDataLength) {
            char dataLength[4] = {};
            if (ReadSome(stream, dataLength, 4) != 4) {
                return TFrameHeader::Cut;
            }
            frame.DataLength = Synchsafe(dataLength);
            length -= 4;
        }
        return TFrameHeader::Read;
    } catch (const std::exception&) {
        return TFrameHeader::Cut;  // the frame stays with what was read
    }
}

int TID3v2Tag::FindFrame(const QByteArray& id) const {
    const auto found =
        std::find_if(FrameList.begin(), FrameList.end(), [&](const TID3v2Frame& f) { return f.ID == id; });
    return found == FrameList.end() ? -1 : static_cast<int>(found - FrameList.begin());
}

int TID3v2Tag::AddFrame(const QByteArray& id) {
    if (id.size() != 4) {
        return -1;
    }
    TID3v2Frame frame;
    frame.ID = id;
    FrameList.push_back(std::move(frame));
    return FrameCount() - 1;
}

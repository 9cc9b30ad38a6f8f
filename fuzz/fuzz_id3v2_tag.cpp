// Thumbnail database files come from another program and may be damaged or hostile. Any bytes must
// load without fault into frames no larger than the input, decoding a frame's content must stay within
// its bound, and reading frame by frame must find the same frames and contents as reading the tag whole.
#include "ID3v2Tag.h"

#include <QBuffer>
#include <QList>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QBuffer buffer;
    buffer.setData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    buffer.open(QIODevice::ReadOnly);
    TID3v2Tag tag;
    const int result = tag.LoadFromStream(buffer);
    Check(result == 0 || result == 7 || result == 65535);
    Check(result == 0 || tag.FrameCount() == 0);
    Check(tag.Loaded == (result == 0));

    QList<QByteArray> stored;
    qsizetype storedSize = tag.ExtendedHeader3.Rest.size() + tag.ExtendedHeader4.FlagData.size();
    for (int i = 0; i < tag.FrameCount(); ++i) {
        TID3v2Frame& frame = tag.Frames(i);
        Check(frame.ID.size() == 4);
        stored.append(QByteArray(frame.Content.constData(), frame.Content.size()));
        storedSize += frame.Content.size();
        const qsizetype before = frame.Content.size();
        if (frame.Unsynchronised) {
            Check(frame.RemoveUnsynchronisation());
            Check(frame.Content.size() <= before);
        }
        if (frame.Compressed && frame.Decompress()) {
            Check(frame.Content.size() <= TID3v2Frame::MaxInflatedSize);
        }
    }
    Check(storedSize <= static_cast<qsizetype>(size));

    buffer.seek(0);
    TID3v2Tag header;
    Check(header.ReadHeader(buffer) == result);
    TID3v2Frame frame;
    bool more = result == 0;
    int index = 0;
    while (more && header.NextFrameHeader(buffer, frame, more)) {
        const qint64 next = buffer.pos();
        Check(index < tag.FrameCount() && frame.ID == tag.Frames(index).ID);
        Check(frame.ReadContent(buffer, static_cast<qsizetype>(size)));
        Check(frame.Content == stored.at(index));
        buffer.seek(next);
        ++index;
    }
    Check(index == tag.FrameCount());
    return 0;
}

// Thumbnail database files come from another program and may be damaged or hostile. Any bytes must
// load without fault into frames no larger than the input, and decoding a frame's content must stay
// within its bound.
#include "ID3v2Tag.h"

#include <QBuffer>

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

    qsizetype stored = tag.ExtendedHeader3.Rest.size() + tag.ExtendedHeader4.FlagData.size();
    for (int i = 0; i < tag.FrameCount(); ++i) {
        TID3v2Frame& frame = tag.Frames(i);
        Check(frame.ID.size() == 4);
        stored += frame.Content.size();
        const qsizetype before = frame.Content.size();
        if (frame.Unsynchronised) {
            Check(frame.RemoveUnsynchronisation());
            Check(frame.Content.size() <= before);
        }
        if (frame.Compressed && frame.Decompress()) {
            Check(frame.Content.size() <= TID3v2Frame::MaxInflatedSize);
        }
    }
    Check(stored <= static_cast<qsizetype>(size));
    return 0;
}

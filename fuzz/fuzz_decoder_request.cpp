// The decoder process's handling of one request message, and the program's reading of a reply: what
// each side of the socket receives from the other. The decoder behind the requests is a stand-in that
// makes a picture of a size taken from the path's bytes, so that the pictures, the thumbnail boxes and
// the shared memory they travel in are all driven by the input.
#include <cstdint>

#include "DecoderProtocol.h"
#include "DecoderServer.h"

namespace {

class TStandInBackend final : public TDecoderBackend {
public:
    bool Loaded() const override { return true; }
    int FileType(const QString& path) const override { return int(path.size()) - 1; }
    bool Load(const QString& path, QImage& picture) const override {
        const QByteArray bytes = path.toUtf8();
        if (bytes.size() < 2) {
            return false;
        }
        const int width = 1 + quint8(bytes[0]) % 64;
        const int height = 1 + quint8(bytes[1]) % 64;
        QImage made(width, height, QImage::Format_RGB32);
        if (made.isNull()) {
            return false;
        }
        made.fill(qRgb(quint8(bytes.back()), 0x80, 0x40));
        picture = made;
        return true;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 2 * MaxDecoderMessage) {
        return 0;
    }
    static const TStandInBackend backend;
    // One session for the whole run, as a decoder process keeps one: a picture kept by one input may be
    // handed over by the next.
    static TDecoderSession session(backend);
    const QByteArray message(reinterpret_cast<const char*>(data), qsizetype(size));
    const TDecoderAnswer answer = session.Answer(message);
    if (answer.Picture.Valid()) {
        const QImage picture = MapSharedPicture(answer.Picture.Get(), answer.Reply.PictureSize);
        if (picture.isNull()) {
            __builtin_trap();  // what the decoder sends, the program can always map
        }
        (void)picture.pixel(picture.width() - 1, picture.height() - 1);
    }
    (void)DecodeReply(message);
    return 0;
}

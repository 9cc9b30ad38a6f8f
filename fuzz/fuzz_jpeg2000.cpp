// TJpeg2000Bitmap::LoadFromStream over arbitrary bytes: JP2 files and bare code streams. The first byte
// says how many bytes of other data stand before the picture, so that loading from a stream position
// is covered as well.
#include "Jpeg2000Bitmap.h"

#include <QBuffer>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > 300000) {
        return 0;
    }
    QByteArray bytes(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    const qint64 start = std::min<qint64>(data[0] % 8, bytes.size());
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    buffer.seek(start);
    try {
        TJpeg2000Bitmap bitmap;
        bitmap.LoadFromStream(buffer);
        if (buffer.pos() < start || buffer.pos() > bytes.size()) {
            __builtin_trap();
        }
    } catch (const EJpeg2000Error&) {
    }
    return 0;
}

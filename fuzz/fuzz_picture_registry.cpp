// The picture-format registry's load of a byte buffer. The first byte picks the file's extension among
// those with a reader here, so that every reader behind the registry gets mutated input; from 128 on, it
// also has the picture decoded in bands, as the show decodes it (each band's rows are read as told).
#include "FormatRegistry.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::vector<QString> extensions = [] {
        std::vector<QString> readable;
        for (const TPictureFormat& format : PictureFormats()) {
            if (format.Reader != TPictureReader::NotHere) {
                readable.push_back(QString::fromLatin1(format.Extension));
            }
        }
        return readable;
    }();
    if (size == 0 || size > 300000) {
        return 0;
    }
    const QByteArray bytes(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    try {
        TRowsDecoded rowsDecoded;
        if (data[0] >= 128) {
            rowsDecoded = [](const QImage& picture, int rows) {
                (void)picture.constScanLine(rows - 1)[picture.bytesPerLine() - 1];
            };
        }
        const QImage picture = LoadPictureBytes(bytes, extensions[data[0] % extensions.size()], rowsDecoded);
        (void)picture.pixel(picture.width() - 1, picture.height() - 1);
    } catch (const EInvalidPicture&) {
    }
    return 0;
}

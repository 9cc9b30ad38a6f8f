// The picture-format registry's load of a byte buffer. The first byte picks the file's extension among
// those with a reader here, so that every reader behind the registry gets mutated input.
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
        const QImage picture = LoadPictureBytes(bytes, extensions[data[0] % extensions.size()]);
        (void)picture.pixel(picture.width() - 1, picture.height() - 1);
    } catch (const EInvalidPicture&) {
    }
    return 0;
}

// The EXIF reader over arbitrary bytes, and the formatters it feeds through the window's rows.
// Inputs whose first byte is odd are taken as a whole JPEG stream; the others as an EXIF block (TIFF
// header on) that is wrapped in a JPEG APP1 segment, so that mutations reach the directories quickly.
#include "Exceptions.h"
#include "ExifFormatters.h"
#include "ExifInformationRows.h"
#include "ExifReader.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > 200000) {
        return 0;
    }
    const QByteArray input(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    QByteArray jpeg;
    if (data[0] & 1) {
        jpeg = input;
    } else {
        const QByteArray payload = QByteArray("Exif\0\0", 6) + input.left(65000);
        const int length = int(payload.size()) + 2;
        jpeg = QByteArray("\xFF\xD8\xFF\xE1", 4) + char(length >> 8) + char(length & 0xFF) + payload;
    }
    try {
        ExifReader reader;
        reader.LoadFromBytes(jpeg);
        const QList<TExifRow> rows = ExifInformationRows(reader);
        (void)rows;
        // An ASCII value ends at its first 0 byte or with its last byte; either way it never holds a
        // NUL, and no more characters than it has bytes. Where a tag repeats, the first one counts.
        for (int kind = 0; kind < ExifDirectoryCount; ++kind) {
            const auto directory = ExifDirectoryKind(kind);
            for (const ExifEntry& entry : reader.Directory(directory).Entries) {
                const QString text = reader.AsciiText(directory, entry.Tag);
                const ExifEntry* read = reader.Find(directory, entry.Tag);
                if (text.contains(QChar(u'\0')) ||
                    (read != nullptr && text.size() > qsizetype(read->Count))) {
                    std::abort();
                }
            }
        }
        (void)reader.ThumbnailJpeg().size();
    } catch (const EAppError&) {
    }
    if (size >= 11) {
        double x;
        std::memcpy(&x, data + 1, sizeof x);
        (void)GeneralNumberText(x, data[9] % 20);
        ExifRational r;
        std::memcpy(&r, data + 2, sizeof r);
        (void)ShutterSpeedText(r);
        (void)SignedRationalText(r);
        (void)UnsignedRationalText(r, QStringLiteral("seconds"));
    }
    return 0;
}

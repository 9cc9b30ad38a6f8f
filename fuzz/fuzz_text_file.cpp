// Text files arrive from anywhere (image lists, settings files from other machines). Decoding must
// accept any bytes, and what it gives must survive the program's own writing unchanged.
#include "TextFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QStringList lines = DecodeTextLines(bytes);

    // A line never holds what ends a line or the text; that is what lets every line written come back.
    for (const QString& line : lines) {
        if (line.contains(u'\0') || line.contains(u'\r') || line.contains(u'\n')) {
            std::abort();
        }
    }
    if (DecodeTextLines(EncodeUtf16LeLines(lines)) != lines) {
        std::abort();
    }
    return 0;
}

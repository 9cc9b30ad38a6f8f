// Text files arrive from anywhere (image lists, settings files from other machines). Decoding must
// accept any bytes, what it gives must survive the program's own writing unchanged, and a text that
// says it is complete must be all of the bytes.
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

    const TDecodedText decoded = DecodeTextChecked(bytes);
    if (decoded.Text != DecodeText(bytes) || decoded.Text.contains(u'\0')) {
        std::abort();
    }
    if (decoded.Complete) {
        // Complete text is the bytes after their mark, unchanged.
        QByteArray again;
        if (bytes.startsWith("\xEF\xBB\xBF")) {
            again = QByteArray("\xEF\xBB\xBF") + decoded.Text.toUtf8();
        } else if (bytes.startsWith("\xFF\xFE")) {
            again = Utf16LeByteOrderMark();
            for (const QChar c : decoded.Text) {
                again.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
            }
        } else if (bytes.startsWith("\xFE\xFF")) {
            again = QByteArray("\xFE\xFF");
            for (const QChar c : decoded.Text) {
                again.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
            }
        }
        if (again != bytes) {
            std::abort();
        }
    }
    return 0;
}

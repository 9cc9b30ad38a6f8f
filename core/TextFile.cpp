#include "TextFile.h"

#include <QStringDecoder>

#include <array>
#include <utility>

namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F. The five bytes that code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) keep their own value, as Windows itself maps them, so no
// byte is ever lost.
constexpr std::array<char16_t, 32> Windows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

QString DecodeWindows1252(QByteArrayView bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *out++ = (b >= 0x80 && b <= 0x9F) ? QChar(Windows1252High[b - 0x80]) : QChar(b);
    }
    return text;
}

// UTF-16 is taken code unit by code unit, unpaired surrogates included, so that whatever was read
// is written back unchanged. An odd trailing byte cannot be a character and is dropped.
QString DecodeUtf16(QByteArrayView bytes, bool bigEndian) {
    const qsizetype count = bytes.size() / 2;
    QString text(count, Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < count; ++i) {
        const auto first = static_cast<unsigned char>(bytes[2 * i]);
        const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
        *out++ = bigEndian ? QChar(char16_t(first << 8 | second)) : QChar(char16_t(second << 8 | first));
    }
    return text;
}

// UTF-16 LE written without its mark: every second byte is the high byte of a character of the first
// 256, that is 0. Text with other characters does not pass, and then reads as cut at its first NUL.
bool LooksLikeUtf16Le(QByteArrayView bytes) {
    if (bytes.isEmpty() || bytes.size() % 2 != 0) {
        return false;
    }
    for (qsizetype i = 1; i < bytes.size(); i += 2) {
        if (bytes[i] != '\0') {
            return false;
        }
    }
    return true;
}

// UTF-8 with every character kept, a byte-order mark in the middle of the text included. Invalid
// sequences become U+FFFD and clear `valid`.
QString DecodeUtf8(QByteArrayView bytes, bool& valid) {
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    valid = !decoder.hasError();
    return text;
}

// The text up to its first NUL; a NUL makes it incomplete.
TDecodedText UpToNul(QString text, bool complete) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    if (nul >= 0) {
        text.truncate(nul);
        complete = false;
    }
    return {std::move(text), complete};
}

}  // namespace

bool IsValidUtf8(QByteArrayView bytes) {
    bool valid = true;
    [[maybe_unused]] const QString text = DecodeUtf8(bytes, valid);
    return valid;
}

TDecodedText DecodeTextChecked(const QByteArray& bytes) {
    const QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF")) {
        bool valid = true;
        QString text = DecodeUtf8(view.sliced(3), valid);
        return UpToNul(std::move(text), valid);
    }
    // UTF-16 keeps even unpaired surrogates, so only an odd last byte is lost.
    if (view.startsWith("\xFF\xFE")) {
        return UpToNul(DecodeUtf16(view.sliced(2), false), view.size() % 2 == 0);
    }
    if (view.startsWith("\xFE\xFF")) {
        return UpToNul(DecodeUtf16(view.sliced(2), true), view.size() % 2 == 0);
    }
    if (LooksLikeUtf16Le(view)) {
        return UpToNul(DecodeUtf16(view, false), false);
    }
    // Without a byte-order mark a NUL byte is a NUL character in the remaining encodings, so the text
    // is cut there first; bytes beyond the end must not decide how the text is read.
    QByteArrayView text = view;
    const qsizetype nul = text.indexOf('\0');
    if (nul >= 0) {
        text.truncate(nul);
    }
    bool valid = true;
    QString utf8 = DecodeUtf8(text, valid);
    return {valid ? std::move(utf8) : DecodeWindows1252(text), view.isEmpty()};
}

QString DecodeText(const QByteArray& bytes) {
    return DecodeTextChecked(bytes).Text;
}

QStringList SplitTextLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n') {
            continue;
        }
        lines.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < size && text[i + 1] == u'\n') {
            ++i;
        }
        start = i + 1;
    }
    if (start < size) {
        lines.append(text.mid(start));
    }
    return lines;
}

QStringList DecodeTextLines(const QByteArray& bytes) {
    return SplitTextLines(DecodeText(bytes));
}

QByteArray EncodeUtf16LeLines(const QStringList& lines) {
    QByteArray bytes = Utf16LeByteOrderMark();
    qsizetype units = 0;
    for (const QString& line : lines) {
        units += line.size() + 2;
    }
    bytes.reserve(bytes.size() + 2 * units);
    const auto appendUnit = [&bytes](char16_t unit) {
        bytes.append(char(unit & 0xFF));
        bytes.append(char(unit >> 8));
    };
    for (const QString& line : lines) {
        for (const QChar c : line) {
            appendUnit(c.unicode());
        }
        appendUnit(u'\r');
        appendUnit(u'\n');
    }
    return bytes;
}

#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

// Text files as the program reads and writes them.
//
// Reading: a leading byte-order mark decides the encoding (EF BB BF UTF-8, FF FE UTF-16 LE, FE FF
// UTF-16 BE). Without one, bytes whose every second byte is 0 (an even number of them) are UTF-16 LE,
// as a program that writes UTF-16 without the mark leaves them; other bytes are taken as UTF-8 when
// they are valid UTF-8 and as Windows-1252 otherwise. UTF-16 is taken code unit by code unit; an odd
// last byte is dropped. A NUL character ends the text. Lines end at CR LF, a lone LF or a lone CR; a
// final line break does not make an extra empty line. Lines are taken whole: no trimming.
//
// Writing: UTF-16 LE with the byte-order mark FF FE, every line ended by CR LF.

struct TDecodedText {
    QString Text;
    // False when the text may not be all that the bytes held: a NUL ended it early, bytes were not
    // valid in their encoding, or no byte-order mark said which encoding they were in (so the
    // encoding was a guess). Empty bytes are complete.
    bool Complete = true;
};

TDecodedText DecodeTextChecked(const QByteArray& bytes);
QString DecodeText(const QByteArray& bytes);  // DecodeTextChecked's text
QStringList SplitTextLines(const QString& text);
QStringList DecodeTextLines(const QByteArray& bytes);  // DecodeText, then SplitTextLines

// True when the bytes are UTF-8 to the last byte: no overlong forms, surrogates or cut-off sequences.
bool IsValidUtf8(QByteArrayView bytes);

QByteArray EncodeUtf16LeLines(const QStringList& lines);

// The two bytes that an empty UTF-16 LE file holds.
inline QByteArray Utf16LeByteOrderMark() {
    return QByteArray("\xFF\xFE", 2);
}

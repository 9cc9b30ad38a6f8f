#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Text files as the program reads and writes them.
//
// Reading: a leading byte-order mark decides the encoding (EF BB BF UTF-8, FF FE UTF-16 LE, FE FF
// UTF-16 BE); without one the bytes are taken as UTF-8 when they are valid UTF-8 and as Windows-1252
// otherwise. UTF-16 is taken code unit by code unit; an odd last byte is dropped. A NUL character
// ends the text. Lines end at CR LF, a lone LF or a lone CR; a final line
// break does not make an extra empty line. Lines are taken whole: no trimming.
//
// Writing: UTF-16 LE with the byte-order mark FF FE, every line ended by CR LF.

QString DecodeText(const QByteArray& bytes);
QStringList SplitTextLines(const QString& text);
QStringList DecodeTextLines(const QByteArray& bytes);  // DecodeText, then SplitTextLines

QByteArray EncodeUtf16LeLines(const QStringList& lines);

// The two bytes that an empty UTF-16 LE file holds.
inline QByteArray Utf16LeByteOrderMark() {
    return QByteArray("\xFF\xFE", 2);
}

#pragma once

// Builds ID3v2 tags and thumbnail database files byte by byte, for the tests and the benchmark.

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QList>
#include <QStringList>

#include <zlib.h>

namespace tagbytes {

inline QByteArray BigEndian(quint32 value) {
    QByteArray bytes(4, '\0');
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<char>(value >> (24 - 8 * i));
    }
    return bytes;
}

inline QByteArray Synchsafe(quint32 value) {
    QByteArray bytes(4, '\0');
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<char>((value >> (21 - 7 * i)) & 0x7F);
    }
    return bytes;
}

// "ID3", version, revision 0, flags, synchsafe tag size.
inline QByteArray Header(quint8 version, quint8 flags = 0, quint32 size = 0) {
    return QByteArray("ID3") + char(version) + '\0' + char(flags) + Synchsafe(size);
}

// A frame header with the given declared size, then `body` (which may differ in length from it).
inline QByteArray FrameWithSize(const QByteArray& id, const QByteArray& sizeBytes, const QByteArray& body,
                                quint16 flags = 0) {
    return id + sizeBytes + char(flags >> 8) + char(flags & 0xFF) + body;
}

// A version 3 frame (plain size).
inline QByteArray Frame3(const QByteArray& id, const QByteArray& body, quint16 flags = 0) {
    return FrameWithSize(id, BigEndian(static_cast<quint32>(body.size())), body, flags);
}

// A version 4 frame (synchsafe size); `body` includes any group, method or data length bytes.
inline QByteArray Frame4(const QByteArray& id, const QByteArray& body, quint16 flags = 0) {
    return FrameWithSize(id, Synchsafe(static_cast<quint32>(body.size())), body, flags);
}

// A raw RFC 1950 zlib stream.
inline QByteArray Zlib(const QByteArray& bytes) {
    uLongf length = compressBound(static_cast<uLong>(bytes.size()));
    QByteArray out(static_cast<qsizetype>(length), '\0');
    compress(reinterpret_cast<Bytef*>(out.data()), &length, reinterpret_cast<const Bytef*>(bytes.constData()),
             static_cast<uLong>(bytes.size()));
    out.truncate(static_cast<qsizetype>(length));
    return out;
}

// Inserts a 0x00 after every 0xFF, as an unsynchronising writer does.
inline QByteArray Unsynchronise(const QByteArray& bytes) {
    QByteArray out;
    for (const char byte : bytes) {
        out += byte;
        if (static_cast<unsigned char>(byte) == 0xFF) {
            out += '\0';
        }
    }
    return out;
}

// A version 3 compressed frame: the decompressed size, then the zlib stream.
inline QByteArray CompressedFrame3(const QByteArray& id, const QByteArray& plain) {
    return Frame3(id, BigEndian(static_cast<quint32>(plain.size())) + Zlib(plain), 0x0080);
}

// Catalogue text in UTF-16 LE, each line ended by CR LF.
inline QByteArray Catalogue(const QStringList& lines, bool byteOrderMark = true) {
    QString text;
    for (const QString& line : lines) {
        text += line + QStringLiteral("\r\n");
    }
    QByteArray bytes = byteOrderMark ? QByteArray("\xFF\xFE") : QByteArray();
    return bytes + QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

inline QByteArray Jpeg(int width, int height, QColor color) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 90);
    return bytes;
}

// A version 3 database: the catalogue frame, then the given frames, then padding.
inline QByteArray DatabaseBytes(const QStringList& catalogue, const QList<QByteArray>& frames = {},
                                bool byteOrderMark = true) {
    QByteArray body = Frame3("CATA", Catalogue(catalogue, byteOrderMark));
    for (const QByteArray& frame : frames) {
        body += frame;
    }
    body += QByteArray(16, '\0');
    return Header(3, 0, static_cast<quint32>(body.size())) + body;
}

}  // namespace tagbytes

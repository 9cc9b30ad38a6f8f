#pragma once

// Picture files that the decoder tests write themselves.

#include <QBuffer>
#include <QImage>
#include <QtEndian>

namespace picturetest {

inline QByteArray Saved(const QImage& picture, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, format, format == QByteArrayLiteral("jpg") ? 95 : -1);
    return bytes;
}

// Four quadrants of different colours, so that a picture turned or mirrored by mistake shows.
inline QImage Quadrants(int width, int height) {
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2;
            const bool bottom = y >= height / 2;
            picture.setPixel(x, y,
                             bottom ? (right ? qRgb(250, 250, 0) : qRgb(0, 0, 250))
                                    : (right ? qRgb(0, 250, 0) : qRgb(250, 0, 0)));
        }
    }
    return picture;
}

// An uncompressed Targa file stored top row first: kind 2 (true colour, 24 bits blue-green-red) or 3
// (grey, 8 bits), with the pixel bytes given; with the footer of version 2 of the format or without it.
inline QByteArray Targa(int kind, int width, int height, const QByteArray& pixels, bool version2 = false) {
    QByteArray header(18, '\0');
    header[2] = char(kind);
    qToLittleEndian(quint16(width), header.data() + 12);
    qToLittleEndian(quint16(height), header.data() + 14);
    header[16] = char(kind == 2 ? 24 : 8);
    header[17] = char(0x20);
    const QByteArray footer = QByteArray(8, '\0') + QByteArray("TRUEVISION-XFILE.", 18);
    return header + pixels + (version2 ? footer : QByteArray());
}

}  // namespace picturetest

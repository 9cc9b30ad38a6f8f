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

// A 2 x 2 grey TIFF file (pixels 0, 85, 170, 255) whose main directory also holds two EXIF tags,
// ExposureTime (33434) and DateTimeOriginal (36867), as some cameras and programs write them: libtiff
// does not know them there and warns about each.
inline QByteArray TiffWithExifTagsInItsMainDirectory() {
    struct Entry {
        quint16 Tag, Type;
        quint32 Count, Value;
    };
    constexpr quint16 Short = 3, Long = 4, Ascii = 2, Rational = 5;
    constexpr quint32 Directory = 8, Entries = 11;
    constexpr quint32 RationalAt = Directory + 2 + Entries * 12 + 4, TextAt = RationalAt + 8,
                      PixelsAt = TextAt + 20;
    const Entry entries[Entries] = {
        {256, Short, 1, 2},         {257, Short, 1, 2},
        {258, Short, 1, 8},         {259, Short, 1, 1},
        {262, Short, 1, 1},         {273, Long, 1, PixelsAt},
        {277, Short, 1, 1},         {278, Short, 1, 2},
        {279, Long, 1, 4},          {33434, Rational, 1, RationalAt},
        {36867, Ascii, 20, TextAt},
    };
    QByteArray bytes("II\x2A\x00", 4);
    const auto append = [&bytes](auto value) {
        char little[sizeof value];
        qToLittleEndian(value, little);
        bytes.append(little, sizeof value);
    };
    append(Directory);
    append(quint16(Entries));
    for (const Entry& entry : entries) {
        append(entry.Tag);
        append(entry.Type);
        append(entry.Count);
        append(entry.Value);  // a short value sits in the first two bytes, little-endian
    }
    append(quint32(0));  // no next directory
    append(quint32(1));
    append(quint32(100));  // 1/100 s
    bytes.append("2024:06:01 12:00:00", 20);
    bytes.append(QByteArray("\x00\x55\xAA\xFF", 4));
    return bytes;
}

}  // namespace picturetest

#pragma once

// Picture files that the decoder tests write themselves.

#include <algorithm>

#include <QBuffer>
#include <QImage>
#include <QProcess>
#include <QStringList>
#include <QtEndian>

namespace picturetest {

inline QByteArray Saved(const QImage& picture, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, format, format == QByteArrayLiteral("jpg") ? 95 : -1);
    return bytes;
}

// Fine detail in colour, with the left part transparent and a soft edge: for the encoders of formats with
// alpha (and, opaque, for those without).
inline QImage DetailWithSoftEdge(int width, int height) {
    QImage picture(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int alpha = std::clamp((x - 40) * 16, 0, 255);
            picture.setPixel(x, y,
                             qRgba((x * 37 + y * 11) % 256, (x * y) % 256, (x * 5 + y * 29) % 256, alpha));
        }
    }
    return picture;
}

// The picture laid on black, as the audience window shows a transparent one: each channel weighed by its
// opacity, rounded.
inline QImage OnBlack(const QImage& picture) {
    const QImage straight = picture.convertToFormat(QImage::Format_ARGB32);
    QImage result(straight.size(), QImage::Format_RGB32);
    for (int y = 0; y < result.height(); ++y) {
        for (int x = 0; x < result.width(); ++x) {
            const QRgb p = straight.pixel(x, y);
            const int a = qAlpha(p);
            result.setPixel(
                x, y,
                qRgb((qRed(p) * a + 127) / 255, (qGreen(p) * a + 127) / 255, (qBlue(p) * a + 127) / 255));
        }
    }
    return result;
}

// True when a format's own tool (an encoder, a reference decoder) ran and succeeded.
inline bool ToolSucceeds(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
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

// The pixels of a picture as rows of blue, green, red bytes, top row first, each row padded with zeros
// to a multiple of `alignment` bytes.
inline QByteArray BgrRows(const QImage& picture, int alignment = 1) {
    QByteArray rows;
    const int rowBytes = (picture.width() * 3 + alignment - 1) / alignment * alignment;
    for (int y = 0; y < picture.height(); ++y) {
        QByteArray row(rowBytes, '\0');
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb p = picture.pixel(x, y);
            row[3 * x] = char(qBlue(p));
            row[3 * x + 1] = char(qGreen(p));
            row[3 * x + 2] = char(qRed(p));
        }
        rows += row;
    }
    return rows;
}

// A 24-bit PCX file: three run-length coded planes (red, green, blue) per row.
inline QByteArray Pcx(const QImage& picture) {
    const int width = picture.width(), height = picture.height();
    const int planeBytes = (width + 1) / 2 * 2;
    QByteArray header(128, '\0');
    header[0] = char(0x0A);
    header[1] = char(5);
    header[2] = char(1);
    header[3] = char(8);
    qToLittleEndian(quint16(width - 1), header.data() + 8);
    qToLittleEndian(quint16(height - 1), header.data() + 10);
    qToLittleEndian(quint16(72), header.data() + 12);
    qToLittleEndian(quint16(72), header.data() + 14);
    header[65] = char(3);
    qToLittleEndian(quint16(planeBytes), header.data() + 66);
    qToLittleEndian(quint16(1), header.data() + 68);
    QByteArray data;
    for (int y = 0; y < height; ++y) {
        for (int plane = 0; plane < 3; ++plane) {
            for (int x = 0; x < planeBytes; ++x) {
                const QRgb p = x < width ? picture.pixel(x, y) : 0;
                const int value = plane == 0 ? qRed(p) : plane == 1 ? qGreen(p) : qBlue(p);
                if (value >= 0xC0) {
                    data += char(0xC1);  // a run of one: values this high cannot stand alone
                }
                data += char(value);
            }
        }
    }
    return header + data;
}

// A 24-bit Sun raster file of the standard kind: blue, green, red bytes, rows padded to 16 bits.
inline QByteArray SunRaster(const QImage& picture) {
    const QByteArray pixels = BgrRows(picture, 2);
    QByteArray header(32, '\0');
    const quint32 fields[8] = {0x59A66A95u,
                               quint32(picture.width()),
                               quint32(picture.height()),
                               24,
                               quint32(pixels.size()),
                               1,
                               0,
                               0};
    for (int i = 0; i < 8; ++i) {
        qToBigEndian(fields[i], header.data() + 4 * i);
    }
    return header + pixels;
}

// An uncompressed Photoshop file of three 8-bit channels in RGB mode.
inline QByteArray Photoshop(const QImage& picture) {
    QByteArray file("8BPS", 4);
    const auto u16 = [&](quint16 v) {
        char b[2];
        qToBigEndian(v, b);
        file.append(b, 2);
    };
    const auto u32 = [&](quint32 v) {
        char b[4];
        qToBigEndian(v, b);
        file.append(b, 4);
    };
    u16(1);
    file.append(6, '\0');
    u16(3);
    u32(quint32(picture.height()));
    u32(quint32(picture.width()));
    u16(8);
    u16(3);
    u32(0);  // colour mode data
    u32(0);  // image resources
    u32(0);  // layers and masks
    u16(0);  // raw image data, one plane after the other
    for (int channel = 0; channel < 3; ++channel) {
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                const QRgb p = picture.pixel(x, y);
                file += char(channel == 0 ? qRed(p) : channel == 1 ? qGreen(p) : qBlue(p));
            }
        }
    }
    return file;
}

// A GIF of the picture's colours reduced to a 256-entry palette, coded with nine-bit codes only (a
// clear code before the code table would need ten bits), which every reader takes.
inline QByteArray Gif(const QImage& picture) {
    const QImage indexed = picture.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    QByteArray file("GIF89a", 6);
    const auto u16 = [&](quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        file.append(b, 2);
    };
    u16(quint16(indexed.width()));
    u16(quint16(indexed.height()));
    file += char(0xF7);  // a global table of 256 colours
    file += char(0);
    file += char(0);
    for (int i = 0; i < 256; ++i) {
        const QRgb c = i < indexed.colorCount() ? indexed.color(i) : 0;
        file += char(qRed(c));
        file += char(qGreen(c));
        file += char(qBlue(c));
    }
    file += char(0x2C);
    u16(0);
    u16(0);
    u16(quint16(indexed.width()));
    u16(quint16(indexed.height()));
    file += char(0);
    file += char(8);  // the smallest code size
    QByteArray codes;
    quint32 bits = 0;
    int count = 0;
    const auto put = [&](int code) {
        bits |= quint32(code) << count;
        count += 9;
        while (count >= 8) {
            codes += char(bits & 0xFF);
            bits >>= 8;
            count -= 8;
        }
    };
    int sinceClear = 0;
    put(256);
    for (int y = 0; y < indexed.height(); ++y) {
        for (int x = 0; x < indexed.width(); ++x) {
            if (sinceClear == 250) {
                put(256);
                sinceClear = 0;
            }
            put(indexed.pixelIndex(x, y));
            ++sinceClear;
        }
    }
    put(257);
    if (count > 0) {
        codes += char(bits & 0xFF);
    }
    for (qsizetype at = 0; at < codes.size(); at += 255) {
        const QByteArray block = codes.mid(at, 255);
        file += char(block.size());
        file += block;
    }
    file += char(0);
    file += char(0x3B);
    return file;
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

#pragma once

// Camera files of camera-like pictures (CameraPicture.h): baseline JPEGs at quality 90 with 4:2:0
// chroma that carry a camera's EXIF block (make, model, dates, exposure, the orientation, a maker note
// and a 160 x 120 thumbnail) where an encoder would have put its JFIF segment.

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>

#include "CameraPicture.h"
#include "ExifBlockBuilder.h"

namespace testsupport {

// The EXIF block (from its TIFF header on) that a camera writes, with `orientation` in the main
// directory and `thumbnail` as the JPEG of the thumbnail directory.
inline QByteArray CameraExif(QSize size, int orientation, const QByteArray& thumbnail) {
    using exiftest::Dir;
    QByteArray makerNote(8192, '\0');
    for (int i = 0; i < makerNote.size(); ++i) {
        makerNote[i] = char(camera::Hash(quint32(i), 0, 77) & 0xFF);
    }
    return exiftest::ExifBlockBuilder()
        .Ascii(Dir::Main, 0x010F, "Canon")
        .Ascii(Dir::Main, 0x0110, "Canon EOS 80D")
        .Short(Dir::Main, 0x0112, {quint16(orientation)})
        .Rational(Dir::Main, 0x011A, {{72, 1}})
        .Rational(Dir::Main, 0x011B, {{72, 1}})
        .Short(Dir::Main, 0x0128, {2})
        .Ascii(Dir::Main, 0x0132, "2024:05:18 14:22:31")
        .Short(Dir::Main, 0x0213, {2})
        .Rational(Dir::Exif, 0x829A, {{1, 250}})
        .Rational(Dir::Exif, 0x829D, {{56, 10}})
        .Short(Dir::Exif, 0x8827, {200})
        .Bytes(Dir::Exif, 0x9000, 7, "0231")
        .Ascii(Dir::Exif, 0x9003, "2024:05:18 14:22:31")
        .Ascii(Dir::Exif, 0x9004, "2024:05:18 14:22:31")
        .Rational(Dir::Exif, 0x920A, {{50, 1}})
        .Bytes(Dir::Exif, 0x927C, 7, makerNote)
        .Short(Dir::Exif, 0xA001, {1})
        .Long(Dir::Exif, 0xA002, {quint32(size.width())})
        .Long(Dir::Exif, 0xA003, {quint32(size.height())})
        .Short(Dir::Thumb, 0x0103, {6})
        .Thumbnail(thumbnail)
        .Build();
}

// The picture as a camera's JPEG file: baseline, quality 90, 4:2:0 (the JPEG writer's defaults), the
// EXIF block with `orientation` in place of the JFIF segment.
inline QByteArray CameraJpeg(const QImage& picture, int orientation, int quality = 90) {
    const auto encode = [](const QImage& image, int q) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpg");
        writer.setQuality(q);
        writer.write(image);
        return bytes;
    };
    const QByteArray jpeg = encode(picture, quality);
    const QByteArray thumbnail =
        encode(picture.scaled(160, 120, Qt::KeepAspectRatio, Qt::SmoothTransformation), 75);
    const QByteArray payload = QByteArray("Exif\0\0", 6) + CameraExif(picture.size(), orientation, thumbnail);
    QByteArray segment("\xFF\xE1", 2);
    segment.append(char((payload.size() + 2) >> 8)).append(char((payload.size() + 2) & 0xFF));
    // The writer's JFIF segment (APP0 right after the start of image) makes way for the camera's EXIF.
    qsizetype rest = 2;
    if (jpeg.size() > 6 && uchar(jpeg[2]) == 0xFF && uchar(jpeg[3]) == 0xE0) {
        rest = 4 + ((qsizetype(uchar(jpeg[4])) << 8) | uchar(jpeg[5]));
    }
    return jpeg.left(2) + segment + payload + jpeg.mid(rest);
}

}  // namespace testsupport

#pragma once

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QStringList>
#include <QtEndian>

#include <vector>

#include "ShowImage.h"

namespace showfakes {

// The image list as the show pipeline sees it.
class TFakeList : public TShowList {
public:
    QStringList Names;
    QString Current;
    int Count() const override { return int(Names.size()); }
    QString FileName(int index) const override { return Names.at(index); }
    QString CurrentImage() const override { return Current; }
    void SetCurrentImage(const QString& path) override { Current = path; }
};

// A preview that keeps every picture handed to it.
class TRecordingSink : public TPictureSink {
public:
    std::vector<QImage> Shown;
    void SetPicture(const QImage& picture) override { Shown.push_back(picture); }
};

inline QImage Solid(int width, int height, QColor colour, QImage::Format format = QImage::Format_RGB32) {
    QImage picture(width, height, format);
    picture.fill(colour);
    return picture;
}

inline QByteArray Encoded(const QImage& picture, const char* format, int quality = -1) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, format, quality);
    return bytes;
}

// A JPEG file with an EXIF block whose main directory holds only the orientation tag.
inline QByteArray JpegWithOrientation(const QImage& picture, quint16 orientation, int quality = 100) {
    const QByteArray jpeg = Encoded(picture, "JPG", quality);
    QByteArray tiff("II*\0\x08\0\0\0", 8);
    QByteArray directory(2 + 12 + 4, '\0');
    auto* d = reinterpret_cast<uchar*>(directory.data());
    qToLittleEndian<quint16>(1, d);
    qToLittleEndian<quint16>(0x0112, d + 2);
    qToLittleEndian<quint16>(3, d + 4);  // SHORT
    qToLittleEndian<quint32>(1, d + 6);
    qToLittleEndian<quint16>(orientation, d + 10);
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff + directory;
    QByteArray segment("\xFF\xE1", 2);
    segment.append(char((payload.size() + 2) >> 8)).append(char((payload.size() + 2) & 0xFF));
    return jpeg.left(2) + segment + payload + jpeg.mid(2);
}

}  // namespace showfakes

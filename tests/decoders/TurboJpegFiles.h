#pragma once

#include <QByteArray>

#include <turbojpeg.h>

namespace picturetest {

// A JPEG made by libjpeg-turbo from `pixels` (width x height in `pixelFormat`, rows packed), with the
// chroma subsampling and flags given (a progressive file, say); empty when it fails.
inline QByteArray TurboJpeg(const QByteArray& pixels, int width, int height, int pixelFormat, int subsampling,
                            int flags = TJFLAG_ACCURATEDCT) {
    tjhandle compressor = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    QByteArray bytes;
    if (tjCompress2(compressor, reinterpret_cast<const unsigned char*>(pixels.constData()), width, 0, height,
                    pixelFormat, &jpeg, &size, subsampling, 95, flags) == 0) {
        bytes = QByteArray(reinterpret_cast<const char*>(jpeg), qsizetype(size));
    }
    tjFree(jpeg);
    tjDestroy(compressor);
    return bytes;
}

// The ink values of a CMYK test picture: cyan across, magenta down, yellow in blocks, black rising
// diagonally, so that every channel and their mixtures show.
inline QByteArray Inks(int width, int height) {
    QByteArray inks;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            inks += char(x * 255 / (width - 1));
            inks += char(y * 255 / (height - 1));
            inks += char((x / 8 + y / 8) % 2 * 220);
            inks += char((x + y) * 255 / (width + height - 2));
        }
    }
    return inks;
}

// A YCCK JPEG made by libjpeg-turbo from ink values (it stores CMYK input as YCCK, with Adobe's APP14
// segment).
inline QByteArray YcckJpeg(const QByteArray& inks, int width, int height) {
    return TurboJpeg(inks, width, height, TJPF_CMYK, TJSAMP_444);
}

// A progressive JPEG of a grey width x height picture whose last scan is repeated `repeats` more times
// before its end: a "scan bomb", a small file whose every repeated scan costs a pass over the whole
// picture. Empty when libjpeg-turbo fails to make the file.
inline QByteArray ScanBomb(int width, int height, int repeats) {
    const QByteArray pixels(qsizetype(width) * height, char(0x80));
    const QByteArray jpeg =
        TurboJpeg(pixels, width, height, TJPF_GRAY, TJSAMP_GRAY, TJFLAG_ACCURATEDCT | TJFLAG_PROGRESSIVE);
    // The last scan runs from the last SOS marker to the EOI marker that ends the file.
    const qsizetype lastScan = jpeg.lastIndexOf(QByteArray("\xFF\xDA", 2));
    if (jpeg.isEmpty() || lastScan < 0 || !jpeg.endsWith(QByteArray("\xFF\xD9", 2))) {
        return {};
    }
    const QByteArray scan = jpeg.mid(lastScan, jpeg.size() - 2 - lastScan);
    QByteArray bomb = jpeg.left(jpeg.size() - 2);
    bomb.reserve(bomb.size() + scan.size() * repeats + 2);
    for (int i = 0; i < repeats; ++i) {
        bomb += scan;
    }
    return bomb + QByteArray("\xFF\xD9", 2);
}

}  // namespace picturetest

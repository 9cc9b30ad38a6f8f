#include "JpegReader.h"

#include <turbojpeg.h>

#include <memory>

#include "PictureMemory.h"

namespace {

struct TDecoderCloser {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using TDecoderHandle = std::unique_ptr<void, TDecoderCloser>;

// a * b / 255, rounded, in Pillow's integer arithmetic.
inline int MulDiv255(int a, int b) {
    const int product = a * b + 128;
    return ((product >> 8) + product) >> 8;
}

// Turns the pixels that TurboJPEG gives as stored ink values C, M, Y, K (inverted, see the header) into
// B, G, R, 0xFF in place.
void InvertedCmykToRgb(QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        uchar* pixel = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x, pixel += 4) {
            const int white = pixel[3];  // 255 - k
            const int red = white - MulDiv255(255 - pixel[0], white);
            const int green = white - MulDiv255(255 - pixel[1], white);
            const int blue = white - MulDiv255(255 - pixel[2], white);
            pixel[0] = uchar(blue);
            pixel[1] = uchar(green);
            pixel[2] = uchar(red);
            pixel[3] = 0xFF;
        }
    }
}

}  // namespace

QImage DecodeJpeg(const QByteArray& bytes, QSize largest) {
    if (bytes.isEmpty()) {
        return {};
    }
    const TDecoderHandle decoder(tjInitDecompress());
    if (!decoder) {
        return {};
    }
    const auto* source = reinterpret_cast<const unsigned char*>(bytes.constData());
    const auto sourceSize = static_cast<unsigned long>(bytes.size());
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colorspace = 0;
    if (tjDecompressHeader3(decoder.get(), source, sourceSize, &width, &height, &subsampling, &colorspace) !=
            0 ||
        width <= 0 || height <= 0) {
        return {};
    }
    if (largest.isValid() && (width > largest.width() || height > largest.height())) {
        return {};
    }
    // A few damaged bytes can declare up to 65535 x 65535 pixels: refuse what no real photograph needs
    // (2^28 pixels of 32 bits are 1 GiB) rather than reserve that memory.
    if (qint64(width) * height > MaxJpegPixels) {
        return {};
    }
    QImage image = NewPicture(width, height, QImage::Format_RGB32);
    if (image.isNull()) {
        return {};
    }
    // libjpeg makes no RGB of ink values: those come as they are stored, four bytes per pixel like ours,
    // and are turned into RGB here. Format_RGB32 keeps each pixel as B, G, R, 0xFF in memory on
    // little-endian machines.
    const bool inks = colorspace == TJCS_CMYK || colorspace == TJCS_YCCK;
    if (tjDecompress2(decoder.get(), source, sourceSize, image.bits(), width,
                      static_cast<int>(image.bytesPerLine()), height, inks ? TJPF_CMYK : TJPF_BGRX,
                      TJFLAG_ACCURATEDCT) != 0 &&
        tjGetErrorCode(decoder.get()) != TJERR_WARNING) {
        // A warning (a file cut short, a stray marker) still leaves a complete picture, as the libjpeg
        // library itself would; only a fatal error loses it.
        return {};
    }
    if (inks) {
        InvertedCmykToRgb(image);
    }
    return image;
}

#include "JpegReader.h"

#include <turbojpeg.h>

#include <memory>

#include "PictureMemory.h"

namespace {

struct TDecoderCloser {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using TDecoderHandle = std::unique_ptr<void, TDecoderCloser>;

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
    // Format_RGB32 keeps each pixel as B, G, R, 0xFF in memory on little-endian machines.
    if (tjDecompress2(decoder.get(), source, sourceSize, image.bits(), width,
                      static_cast<int>(image.bytesPerLine()), height, TJPF_BGRX, TJFLAG_ACCURATEDCT) != 0 &&
        tjGetErrorCode(decoder.get()) != TJERR_WARNING) {
        // A warning (a file cut short, a stray marker) still leaves a complete picture, as the libjpeg
        // library itself would; only a fatal error loses it.
        return {};
    }
    return image;
}

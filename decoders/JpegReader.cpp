#include "JpegReader.h"

#include <jpeglib.h>
#include <turbojpeg.h>

#include <algorithm>
#include <csetjmp>
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

// A picture of width x height that the reader takes on: not larger than `largest` (when given), and no
// more than MaxJpegPixels. A few damaged bytes can declare up to 65535 x 65535 pixels: that is refused
// (2^28 pixels of 32 bits are 1 GiB) rather than reserved.
bool AcceptedSize(int width, int height, QSize largest) {
    if (width <= 0 || height <= 0) {
        return false;
    }
    if (largest.isValid() && (width > largest.width() || height > largest.height())) {
        return false;
    }
    return qint64(width) * height <= MaxJpegPixels;
}

// The library's way of giving up on a file: a jump back to where the decode started. The functions that
// call into the library under such a jump hold no object with a destructor.
struct TJpegErrors {
    jpeg_error_mgr Manager;
    std::jmp_buf Jump;
};

[[noreturn]] void LeaveOnError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<TJpegErrors*>(info->err)->Jump, 1);
}

// Warnings (a file cut short, a stray marker) still leave a complete picture, as with TurboJPEG; nothing
// is written to the standard error.
void KeepQuiet(j_common_ptr, int) {}

bool ReadHeader(jpeg_decompress_struct* info, TJpegErrors* errors, const QByteArray* bytes) {
    if (setjmp(errors->Jump) != 0) {
        return false;
    }
    jpeg_mem_src(info, reinterpret_cast<const unsigned char*>(bytes->constData()),
                 static_cast<unsigned long>(bytes->size()));
    return jpeg_read_header(info, TRUE) == JPEG_HEADER_OK;
}

// Decodes into `bits` as the registry's TurboJPEG call does (blue, green, red, 0xFF; the accurate
// integer transform; smooth chroma upsampling), a band of rows at a time, telling `rowsDecoded` of each.
bool ReadRows(jpeg_decompress_struct* info, TJpegErrors* errors, uchar* bits, qsizetype stride,
              const QImage* picture, const TRowsDecoded* rowsDecoded) {
    if (setjmp(errors->Jump) != 0) {
        return false;
    }
    info->out_color_space = JCS_EXT_BGRX;
    info->dct_method = JDCT_ISLOW;
    info->do_fancy_upsampling = TRUE;
    jpeg_start_decompress(info);
    constexpr int Band = 16;
    JSAMPROW rows[Band];
    while (info->output_scanline < info->output_height) {
        const int count = int(std::min<JDIMENSION>(Band, info->output_height - info->output_scanline));
        for (int i = 0; i < count; ++i) {
            rows[i] = bits + qsizetype(info->output_scanline + JDIMENSION(i)) * stride;
        }
        jpeg_read_scanlines(info, rows, JDIMENSION(count));
        (*rowsDecoded)(*picture, int(info->output_scanline));
    }
    jpeg_finish_decompress(info);
    return true;
}

}  // namespace

QImage DecodeJpeg(const QByteArray& bytes, QSize largest, const TRowsDecoded& rowsDecoded) {
    if (!rowsDecoded) {
        return DecodeJpeg(bytes, largest);
    }
    if (bytes.isEmpty()) {
        return {};
    }
    jpeg_decompress_struct info;
    TJpegErrors errors;
    info.err = jpeg_std_error(&errors.Manager);
    errors.Manager.error_exit = LeaveOnError;
    errors.Manager.emit_message = KeepQuiet;
    jpeg_create_decompress(&info);
    const std::unique_ptr<jpeg_decompress_struct, void (*)(jpeg_decompress_struct*)> owner(
        &info, [](jpeg_decompress_struct* decoder) { jpeg_destroy_decompress(decoder); });
    if (!ReadHeader(&info, &errors, &bytes) ||
        !AcceptedSize(int(info.image_width), int(info.image_height), largest)) {
        return {};
    }
    if (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK) {
        // Ink values are turned into colours after the decode, in one go.
        QImage image = DecodeJpeg(bytes, largest);
        if (!image.isNull()) {
            rowsDecoded(image, image.height());
        }
        return image;
    }
    QImage image = NewPicture(int(info.image_width), int(info.image_height), QImage::Format_RGB32);
    if (image.isNull()) {
        return {};
    }
    uchar* bits = image.bits();  // detached here, once: the rows are written through it
    if (!ReadRows(&info, &errors, bits, image.bytesPerLine(), &image, &rowsDecoded)) {
        return {};
    }
    return image;
}

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
        !AcceptedSize(width, height, largest)) {
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

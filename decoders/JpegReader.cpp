#include "JpegReader.h"

#include <jpeglib.h>

#include <QColorSpace>
#include <QFile>

#include <algorithm>
#include <atomic>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "ColourConversion.h"
#include "PictureMemory.h"

namespace {

// a * b / 255, rounded, in Pillow's integer arithmetic.
inline int MulDiv255(int a, int b) {
    const int product = a * b + 128;
    return ((product >> 8) + product) >> 8;
}

// Turns the pixels that libjpeg gives as stored ink values C, M, Y, K (inverted, see the header) into
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
// call into the library under such a jump hold no object with a destructor. The progress monitor gives
// up on a file whose scans cost more than its size allows (JpegScanLimit), as libjpeg's own tools do
// with -maxscans.
struct TJpegErrors {
    jpeg_error_mgr Manager;
    std::jmp_buf Jump;
    jpeg_progress_mgr Progress;
    int ScanLimit = 0;
};

[[noreturn]] void LeaveOnError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<TJpegErrors*>(info->err)->Jump, 1);
}

// Warnings (a file cut short, a stray marker) still leave a complete picture; nothing is written to the
// standard error.
void KeepQuiet(j_common_ptr, int) {}

// Set once, when the program closes.
std::atomic<bool> DecodesAbandoned{false};

// Called by the library every few rows: gives up on a file with too many scans, and on every file once
// the program is closing.
void MonitorProgress(j_common_ptr info) {
    const auto* decoder = reinterpret_cast<j_decompress_ptr>(info);
    const auto* errors = reinterpret_cast<const TJpegErrors*>(info->err);
    if (decoder->input_scan_number > errors->ScanLimit || DecodesAbandoned.load(std::memory_order_relaxed)) {
        std::longjmp(reinterpret_cast<TJpegErrors*>(info->err)->Jump, 1);
    }
}

// Reads the header from `bytes`, or, without them, from `file` as far as the first scan.
bool ReadHeader(jpeg_decompress_struct* info, TJpegErrors* errors, const QByteArray* bytes,
                std::FILE* file = nullptr) {
    if (setjmp(errors->Jump) != 0) {
        return false;
    }
    if (bytes != nullptr) {
        jpeg_mem_src(info, reinterpret_cast<const unsigned char*>(bytes->constData()),
                     static_cast<unsigned long>(bytes->size()));
    } else {
        jpeg_stdio_src(info, file);
    }
    // The colour profile's APP2 segments are kept as the header is read.
    jpeg_save_markers(info, JPEG_APP0 + 2, 0xFFFF);
    return jpeg_read_header(info, TRUE) == JPEG_HEADER_OK;
}

// The ICC profile of the APP2 segments the header held, put together; empty when there is none or its
// pieces do not add up.
bool ReadProfile(jpeg_decompress_struct* info, TJpegErrors* errors, JOCTET** profile, unsigned* length) {
    if (setjmp(errors->Jump) != 0) {
        return false;
    }
    return jpeg_read_icc_profile(info, profile, length) != FALSE;
}

QByteArray EmbeddedProfile(jpeg_decompress_struct* info, TJpegErrors* errors) {
    JOCTET* profile = nullptr;
    unsigned length = 0;
    QByteArray bytes;
    if (ReadProfile(info, errors, &profile, &length) && profile != nullptr) {
        bytes = QByteArray(reinterpret_cast<const char*>(profile), qsizetype(length));
    }
    std::free(profile);
    return bytes;
}

// The decoder of one file, with the reader's error handling, and gone with it.
struct TJpegDecoder {
    TJpegDecoder() {
        Info.err = jpeg_std_error(&Errors.Manager);
        Errors.Manager.error_exit = LeaveOnError;
        Errors.Manager.emit_message = KeepQuiet;
        jpeg_create_decompress(&Info);
    }
    ~TJpegDecoder() { jpeg_destroy_decompress(&Info); }
    TJpegDecoder(const TJpegDecoder&) = delete;
    TJpegDecoder& operator=(const TJpegDecoder&) = delete;

    jpeg_decompress_struct Info;
    TJpegErrors Errors;
};

// Decodes into `bits` (blue, green, red, 0xFF; ink values as they are stored for CMYK and YCCK; the
// accurate integer transform; smooth chroma upsampling), a band of rows at a time, telling `rowsDecoded`
// of each when given.
bool ReadRows(jpeg_decompress_struct* info, TJpegErrors* errors, bool inks, uchar* bits, qsizetype stride,
              const QImage* picture, const TRowsDecoded* rowsDecoded) {
    if (setjmp(errors->Jump) != 0) {
        return false;
    }
    info->out_color_space = inks ? JCS_CMYK : JCS_EXT_BGRX;
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
        if (rowsDecoded != nullptr && *rowsDecoded) {
            (*rowsDecoded)(*picture, int(info->output_scanline));
        }
    }
    jpeg_finish_decompress(info);
    return true;
}

}  // namespace

void AbandonJpegDecodes() {
    DecodesAbandoned.store(true);
}

int JpegScanLimit(int width, int height) {
    const qint64 pixels = std::max<qint64>(qint64(width) * height, 1);
    return int(std::clamp<qint64>(MaxJpegScanPixels / pixels, 1, MaxJpegScans));
}

QImage DecodeJpeg(const QByteArray& bytes, QSize largest, const TRowsDecoded& rowsDecoded) {
    if (bytes.isEmpty() || DecodesAbandoned.load()) {
        return {};
    }
    TJpegDecoder decoder;
    jpeg_decompress_struct& info = decoder.Info;
    TJpegErrors& errors = decoder.Errors;
    if (!ReadHeader(&info, &errors, &bytes) ||
        !AcceptedSize(int(info.image_width), int(info.image_height), largest)) {
        return {};
    }
    errors.ScanLimit = JpegScanLimit(int(info.image_width), int(info.image_height));
    errors.Progress = {};
    errors.Progress.progress_monitor = MonitorProgress;
    info.progress = &errors.Progress;
    // libjpeg makes no RGB of ink values: those come as they are stored, four bytes per pixel like ours,
    // and are turned into RGB once they are all there.
    const bool inks = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    const QByteArray profile = EmbeddedProfile(&info, &errors);
    QImage image = NewPicture(int(info.image_width), int(info.image_height), QImage::Format_RGB32);
    if (image.isNull()) {
        return {};
    }
    if (!inks && !profile.isEmpty()) {
        // Before the rows are written: whoever reads them as they come shares the picture.
        image.setColorSpace(QColorSpace::fromIccProfile(profile));
    }
    uchar* bits = image.bits();  // detached here, once: the rows are written through it
    if (!ReadRows(&info, &errors, inks, bits, image.bytesPerLine(), &image, inks ? nullptr : &rowsDecoded)) {
        return {};
    }
    if (inks) {
        // Through the file's own CMYK profile where it has one, else as Pillow does.
        if (profile.isEmpty() || !ConvertInvertedInks(image, profile)) {
            InvertedCmykToRgb(image);
        }
        if (rowsDecoded) {
            rowsDecoded(image, image.height());
        }
    }
    return image;
}

QImage DecodeJpeg(const QByteArray& bytes, QSize largest) {
    return DecodeJpeg(bytes, largest, TRowsDecoded());
}

QByteArray ReadJpegColourProfile(const QString& path) {
    // Only the header is read, a few kilobytes at a time: the segments up to the first scan.
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(
        std::fopen(QFile::encodeName(path).constData(), "rb"), &std::fclose);
    if (!file) {
        return {};
    }
    TJpegDecoder decoder;
    if (!ReadHeader(&decoder.Info, &decoder.Errors, nullptr, file.get())) {
        return {};
    }
    return EmbeddedProfile(&decoder.Info, &decoder.Errors);
}

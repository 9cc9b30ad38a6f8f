#include "FormatRegistry.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "FileUtils.h"
#include "Jpeg2000Bitmap.h"
#include "JpegReader.h"
#include "TiffMessages.h"

namespace {

using enum TPictureReader;

constexpr TPictureFormat Formats[] = {
    // the platform's own readers
    {"bmp", "Bitmaps", Qt, "bmp"},
    {"ico", "Icons", Qt, "ico"},
    {"wmf", "Metafiles", NotHere, nullptr},
    {"emf", "Enhanced Metafiles", NotHere, nullptr},
    {"jfif", "JPEG Image File", Jpeg, nullptr},
    {"jpg", "JPEG Image File", Jpeg, nullptr},
    {"jpe", "JPEG Image File", Jpeg, nullptr},
    {"jpeg", "JPEG Image File", Jpeg, nullptr},
    {"rle", "Run-length encoded bitmaps", Qt, "bmp"},
    {"dib", "Device-independent bitmaps", Qt, "bmp"},
    // TJpeg2000Bitmap
    {Jpeg2000Extensions[0], Jpeg2000Description, Jpeg2000, nullptr},
    {Jpeg2000Extensions[1], Jpeg2000Description, Jpeg2000, nullptr},
    {Jpeg2000Extensions[2], Jpeg2000Description, Jpeg2000, nullptr},
    // the image-format readers
    {"win", "Truevision Targa", Qt, "tga"},
    {"vst", "Truevision Targa", Qt, "tga"},
    {"vda", "Truevision Targa", Qt, "tga"},
    {"tga", "Truevision Targa", Qt, "tga"},
    {"icb", "Truevision Targa", Qt, "tga"},
    {"tiff", "Tagged Image File Format", Qt, "tiff"},
    {"tif", "Tagged Image File Format", Qt, "tiff"},
    {"fax", "Fax images", NotHere, nullptr},
    {"eps", "Encapsulated PostScript", NotHere, nullptr},
    {"pcx", "ZSoft Paintbrush", NotHere, nullptr},
    {"pcc", "ZSoft Paintbrush", NotHere, nullptr},
    {"scr", "Word 5.x screen capture", NotHere, nullptr},
    {"rpf", "Alias/Wavefront", NotHere, nullptr},
    {"rla", "Alias/Wavefront", NotHere, nullptr},
    {"sgi", "SGI images", NotHere, nullptr},
    {"rgba", "SGI images", NotHere, nullptr},
    {"rgb", "SGI images", NotHere, nullptr},
    {"bw", "SGI images", NotHere, nullptr},
    {"psd", "Photoshop", NotHere, nullptr},
    {"pdd", "Photoshop", NotHere, nullptr},
    {"ppm", "Portable pixel map", Qt, "ppm"},
    {"pgm", "Portable grey map", Qt, "pgm"},
    {"pbm", "Portable bitmap", Qt, "pbm"},
    {"cel", "Autodesk", NotHere, nullptr},
    {"pic", "Autodesk", NotHere, nullptr},
    {"pcd", "Kodak Photo-CD", NotHere, nullptr},
    {"gif", "CompuServe Graphics Interchange", Qt, "gif"},
    {"cut", "Dr. Halo", NotHere, nullptr},
    {"psp", "Paintshop Pro", NotHere, nullptr},
    {"png", "Portable Network Graphics", Qt, "png"},
    // pictures saved from the web and sent by messengers: Qt's reader on libwebp, in the program's own
    // process like the other readers of Qt's (small, maintained and fuzzed upstream)
    {"webp", "WebP", Qt, "webp"},
    // phones' photographs and pictures from the web: libheif in the decoder process, as FreeImage's
    // formats (the generic route reads them)
    {"heic", "HEIF Image", NotHere, nullptr},
    {"heif", "HEIF Image", NotHere, nullptr},
    {"avif", "AV1 Image File", NotHere, nullptr},
    // cameras' and phones' newer pictures, JPEGs recompressed without loss: libjxl in the decoder process,
    // as libheif's formats
    {"jxl", "JPEG XL Image", NotHere, nullptr},
};

constexpr TPictureFormat WindowsBitmap = Formats[0];

[[noreturn]] void Unreadable(const TPictureFormat& format, const QString& why) {
    throw EInvalidPicture(QStringLiteral("Cannot read the %1 picture: %2").arg(format.Description, why));
}

QImage ReadWithQt(const QByteArray& bytes, const TPictureFormat& format) {
    // Qt refuses pictures above 256 MiB by default; the program's own limit is checked below.
    static const bool allocationLimitSet = [] {
        QImageReader::setAllocationLimit(int(MaxPictureBytes >> 20));
        return true;
    }();
    Q_UNUSED(allocationLimitSet);
    // Qt's TIFF reader would let libtiff write its warnings to standard error.
    RouteTiffMessagesToDebugLog();
    // Qt's Targa reader takes only files with the TGA 2.0 footer, and says so on standard error for any
    // other: an ordinary Targa file goes to the next route (the generic decoder) without asking it.
    if (qstrcmp(format.QtFormat, "tga") == 0 && !bytes.endsWith(QByteArrayView("TRUEVISION-XFILE.\0", 18))) {
        Unreadable(format, QStringLiteral("not a TGA 2.0 file"));
    }
    QByteArray copy = bytes;  // QBuffer wants a modifiable array; the copy shares the data
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    // The registry's reader only: content in another format is this reader's failure, and the next
    // route (the generic decoder) gets the file.
    QImageReader reader(&buffer, format.QtFormat);
    reader.setAutoDetectImageFormat(false);
    reader.setDecideFormatFromContent(false);
    reader.setAutoTransform(false);
    const QSize size = reader.size();
    if (size.isValid() && PictureTooLarge(size.width(), size.height())) {
        throw EInvalidPicture(PictureTooLargeMessage(size.width(), size.height()));
    }
    QImage picture = reader.read();
    if (picture.isNull()) {
        Unreadable(format, reader.errorString());
    }
    return picture;
}

QImage ReadJpeg(const QByteArray& bytes, const TPictureFormat& format, const TRowsDecoded& rowsDecoded) {
    QImage picture = DecodeJpeg(bytes, QSize(), rowsDecoded);
    if (picture.isNull()) {
        // Only to say why: the JPEG reader refuses too large pictures without telling.
        QByteArray copy = bytes;
        QBuffer buffer(&copy);
        buffer.open(QIODevice::ReadOnly);
        const QSize size = QImageReader(&buffer, "jpeg").size();
        if (size.isValid() && PictureTooLarge(size.width(), size.height())) {
            throw EInvalidPicture(PictureTooLargeMessage(size.width(), size.height()));
        }
        Unreadable(format, QStringLiteral("not a decodable JPEG file"));
    }
    return picture;
}

QImage ReadJpeg2000(const QByteArray& bytes) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    TJpeg2000Bitmap bitmap;
    bitmap.LoadFromStream(buffer);
    return bitmap.Image();
}

QImage Read(const QByteArray& bytes, const TPictureFormat& format, const TRowsDecoded& rowsDecoded = {}) {
    switch (format.Reader) {
        case Jpeg:
            return ReadJpeg(bytes, format, rowsDecoded);
        case Jpeg2000:
            return ReadJpeg2000(bytes);
        case Qt:
            return ReadWithQt(bytes, format);
        case NotHere:
            break;
    }
    throw EInvalidPicture(QStringLiteral("No reader for %1 pictures here").arg(format.Description));
}

}  // namespace

std::span<const TPictureFormat> PictureFormats() {
    return Formats;
}

const TPictureFormat* FindPictureFormat(const QString& extension) {
    const QString name = (extension.startsWith(QLatin1Char('.')) ? extension.mid(1) : extension).toLower();
    const auto found =
        std::find_if(std::begin(Formats), std::end(Formats),
                     [&](const TPictureFormat& format) { return name == QLatin1String(format.Extension); });
    return found == std::end(Formats) ? nullptr : found;
}

QImage LoadPictureBytes(const QByteArray& bytes, const QString& extension, const TRowsDecoded& rowsDecoded) {
    if (bytes.startsWith("BM")) {
        return Read(bytes, WindowsBitmap);
    }
    const TPictureFormat* format = FindPictureFormat(extension);
    if (format == nullptr) {
        throw EInvalidPicture(QStringLiteral("Unknown picture file extension \"%1\"").arg(extension));
    }
    return Read(bytes, *format, rowsDecoded);
}

QImage LoadPictureFile(const QString& path) {
    return LoadPictureFileInBands(path, {});
}

QByteArray ReadPictureFile(const QString& path) {
    std::optional<QByteArray> bytes = ReadRegularFile(path, MaxPictureFileBytes, TReadExtent::StatedSize);
    if (!bytes) {
        throw EFileError(QStringLiteral("Cannot open %1").arg(path));
    }
    return *std::move(bytes);
}

QImage LoadPictureFileInBands(const QString& path, const TRowsDecoded& rowsDecoded) {
    const QString extension = QFileInfo(path).suffix();
    const TPictureFormat* format = FindPictureFormat(extension);
    // Only a file some reader here takes is read whole.
    if (!ReadRegularFileHead(path, 2).startsWith("BM") && (format == nullptr || format->Reader == NotHere)) {
        return LoadPictureBytes(QByteArray(), extension);  // raises, without reading the file
    }
    return LoadPictureBytes(ReadPictureFile(path), extension, rowsDecoded);
}

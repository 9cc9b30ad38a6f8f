#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <span>

#include "JpegReader.h"
#include "PictureErrors.h"

// The picture-format registry: the table that maps a file extension to the reader of its format. The
// table is constant, so any thread may read pictures through it at any time.

enum class TPictureReader {
    Jpeg,      // libjpeg-turbo, straight to 32-bit pixels (JpegReader.h)
    Jpeg2000,  // TJpeg2000Bitmap
    Qt,        // one of Qt's image readers, named by TPictureFormat::QtFormat
    NotHere,   // a registered format without a reader on this platform: loading raises
};

struct TPictureFormat {
    const char* Extension;  // lower case, without the dot
    const char* Description;
    TPictureReader Reader;
    const char* QtFormat;  // for TPictureReader::Qt
};

// Every registered format, in the order of registration.
std::span<const TPictureFormat> PictureFormats();

// The format registered for an extension (with or without its dot, any case), or nullptr.
const TPictureFormat* FindPictureFormat(const QString& extension);

// Reads a picture file the way the bitmap's own load-from-file does: a file that starts with "BM" is a
// Windows bitmap whatever its name; any other file goes to the reader registered for its extension.
// The picture comes back in its reader's own format. Raises EInvalidPicture (EJpeg2000Error from the
// JPEG 2000 reader) for an unknown extension, a format without a reader here, or a file its reader
// cannot read; EFileError when the file cannot be opened.
QImage LoadPictureFile(const QString& path);

// The most bytes a picture file may hold for a reader in the program's own process: four times the
// largest working picture, far above any photograph (a 24-megapixel camera JPEG has about 10 MB, its
// 16-bit TIFF 150 MB). A larger file is refused before it is read, and reading stops at the size the
// file had when it was opened (a file still growing, a file of the system's that says it is empty and
// never ends).
constexpr qint64 MaxPictureFileBytes = qint64(1) << 30;

// The bytes of the picture file at `path`, at most MaxPictureFileBytes; raises EFileError for a file
// that is larger, not a regular file (a FIFO, a device, a folder), missing or cannot be read.
QByteArray ReadPictureFile(const QString& path);

// The same, telling `rowsDecoded` of the rows as they are decoded where the reader decodes from the top
// down in bands (the JPEG reader; see JpegReader.h); other readers never call it.
QImage LoadPictureFileInBands(const QString& path, const TRowsDecoded& rowsDecoded);

// The same for the bytes of a file named with the given extension.
QImage LoadPictureBytes(const QByteArray& bytes, const QString& extension,
                        const TRowsDecoded& rowsDecoded = {});

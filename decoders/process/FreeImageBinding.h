#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <memory>

// The FreeImage library bound in the calling process. Only the decoder process (orvalis-decoder) binds
// it: the library is old, unmaintained and reads whatever a file's content says it is, so a damaged file
// may crash it, hang it or make it allocate gigabytes. The program reaches it through the decoder pool
// (FreeImageLoader.h).

// The library's file name, as the dynamic loader finds it.
inline constexpr const char* GenericDecoderLibrary = "libfreeimage.so.3";

// FreeImage's format codes (FREE_IMAGE_FORMAT) that the binding uses by number.
enum TGenericFormat : int {
    GenericUnknown = -1,
    GenericJpeg = 2,
    GenericMng = 6,
    GenericPhotoCd = 9,
    GenericTarga = 17,
    GenericWbmp = 19,
    GenericDrHaloCut = 21,
};

// One binding of the library: loaded and bound when constructed, read-only afterwards, so any thread may
// use it at any time. The library is never unloaded.
class TGenericDecoder {
public:
    explicit TGenericDecoder(const char* libraryFile);
    ~TGenericDecoder();
    TGenericDecoder(const TGenericDecoder&) = delete;
    TGenericDecoder& operator=(const TGenericDecoder&) = delete;

    // True when the library and every entry point it needs were found.
    bool Loaded() const { return Bound; }

    // The file's FreeImage format code, or -1. ".ico" and ".ani" files are never given to the library.
    int FileType(const QString& path) const;

    // Decodes the file into an opaque 32-bit picture (QImage::Format_RGB32) of the same size; false, with
    // `picture` untouched, for any failure. Where the library can read a file's header alone, a picture
    // larger than MaxPicturePixels is refused before its pixels are decoded.
    bool Load(const QString& path, QImage& picture) const;

    // The same picture box-reduced by whole factors for a thumbnail of `box` size (ThumbnailReduction,
    // FitThumbnail.h) as it is converted, so that a large picture is never converted whole; `size` is
    // the picture's own size.
    bool LoadReduced(const QString& path, QSize box, QImage& reduced, QSize& size) const;

private:
    // Decodes the file and hands its pixels, as the library holds them, to `take`.
    template <class Take>
    bool Decode(const QString& path, const Take& take) const;

    struct TEntryPoints;
    std::unique_ptr<const TEntryPoints> Entries;
    bool Bound = false;
};

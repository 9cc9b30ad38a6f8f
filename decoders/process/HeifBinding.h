#pragma once

#include <QByteArrayView>
#include <QColorSpace>
#include <QImage>
#include <QString>

#include <memory>

// HEIF pictures (the HEIC photographs of phones) and AVIF pictures (from the web and messengers) through
// libheif, bound in the decoder process like FreeImage: the formats' decoders (HEVC, AV1) are large and
// complex, so a damaged file costs only that file's picture. The library is loaded at run time; without
// it (Debian's libheif1) these formats are simply not read.

struct heif_image_handle;

// The library's file name, as the dynamic loader finds it.
inline constexpr const char* HeifLibrary = "libheif.so.1";

// True for the head of a HEIF or AVIF file: an ISO base media "ftyp" box first, whose major or one of
// whose compatible brands is a HEIF or AVIF picture's (heic, heix, heim, heis, hevc, hevx, mif1, msf1,
// avif, avis).
bool IsHeifHead(QByteArrayView head);
// Bytes of a file's head that tell: an ftyp box with a few dozen compatible brands fits.
inline constexpr qsizetype HeifHeadBytes = 256;

// One binding of the library: loaded and bound when constructed, read-only afterwards, so any thread may
// use it. The library is never unloaded.
class THeifDecoder {
public:
    explicit THeifDecoder(const char* libraryFile = HeifLibrary);
    ~THeifDecoder();
    THeifDecoder(const THeifDecoder&) = delete;
    THeifDecoder& operator=(const THeifDecoder&) = delete;

    // True when the library and every entry point it needs were found.
    bool Loaded() const { return Entries != nullptr; }

    // Decodes the file's primary picture (not a depth map, an alpha plane or a thumbnail), turned and
    // mirrored as the file says (its irot and imir properties, once), into an opaque 32-bit picture
    // (QImage::Format_RGB32), 8 bits a channel whatever the file's bit depth; a transparent picture is
    // laid on black, as the audience window shows one. False, with `picture` untouched, for any failure;
    // a picture larger than MaxPicturePixels is refused before it is decoded. The picture carries the
    // colour space the file names (Colours), its pixels as stored.
    bool Load(const QString& path, QImage& picture) const;

private:
    // The colour space the file names for the picture: its ICC profile, or a phone's wide-gamut
    // primaries; none (sRGB) otherwise.
    QColorSpace Colours(const heif_image_handle* handle) const;

    struct TEntryPoints;
    std::unique_ptr<const TEntryPoints> Entries;
};

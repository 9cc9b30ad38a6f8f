#pragma once

#include <QImage>
#include <QString>

// The generic decoder: the FreeImage library, loaded at run time when it is installed. The program works
// without it; every file is then undecodable by this route.

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

    // True when the library and every entry point it needs were found.
    bool Loaded() const { return Bound; }

    // The file's FreeImage format code, or -1. ".ico" and ".ani" files are never given to the library.
    int FileType(const QString& path) const;

    // Decodes the file into an opaque 32-bit picture (QImage::Format_RGB32) of the same size; false, with
    // `picture` untouched, for any failure.
    bool Load(const QString& path, QImage& picture) const;

private:
    struct TEntryPoints;
    const TEntryPoints* Entries = nullptr;
    bool Bound = false;
};

// Loads and binds the library on the first call; later calls reuse that binding. Called once at start-up,
// before any thread that decodes exists. Returns GenericDecoderLoaded().
bool InitGenericDecoder();

// True when InitGenericDecoder found the library and all its entry points.
bool GenericDecoderLoaded();

// TGenericDecoder::FileType and Load on the binding that InitGenericDecoder made; -1 and false before it.
int GenericFileType(const QString& path);
bool LoadWithGenericDecoder(const QString& path, QImage& picture);

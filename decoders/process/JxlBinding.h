#pragma once

#include <QByteArrayView>
#include <QImage>
#include <QString>

#include <memory>

// JPEG XL pictures (from cameras and phones that save them, from the web, and JPEGs recompressed without
// loss) through libjxl, bound in the decoder process like FreeImage and libheif: the format's decoder is
// large and young, so a damaged file costs only that file's picture. The library is loaded at run time;
// without it (Debian's libjxl0.7) these pictures are simply not read.

// The library's file name, as the dynamic loader finds it, and that of its thread pool, which the
// decoder uses when it is there (the same package installs both); without it a picture is decoded on
// one thread.
inline constexpr const char* JxlLibrary = "libjxl.so.0.7";
inline constexpr const char* JxlThreadsLibrary = "libjxl_threads.so.0.7";

// The most bytes a JPEG XL file may hold: the same bound as MaxPictureFileBytes of the program's own
// readers (FormatRegistry.h), far above any photograph. A larger file is refused before it is read.
inline constexpr qint64 MaxJxlFileBytes = qint64(1) << 30;

// True for the head of a JPEG XL file: a bare codestream (FF 0A) or the container's signature box
// (00 00 00 0C "JXL " 0D 0A 87 0A), whatever the file's name.
bool IsJxlHead(QByteArrayView head);

// One binding of the library: loaded and bound when constructed, read-only afterwards, so any thread may
// use it. The library is never unloaded.
class TJxlDecoder {
public:
    explicit TJxlDecoder(const char* libraryFile = JxlLibrary, const char* threadsFile = JxlThreadsLibrary);
    ~TJxlDecoder();
    TJxlDecoder(const TJxlDecoder&) = delete;
    TJxlDecoder& operator=(const TJxlDecoder&) = delete;

    // True when the library and every entry point it needs were found.
    bool Loaded() const { return Entries != nullptr; }

    // Decodes the file's picture (the first frame of an animation), turned and mirrored as its
    // codestream says (once, by the library), into an opaque 32-bit picture (QImage::Format_RGB32), 8
    // bits a channel whatever the file's bit depth; a transparent picture is laid on black, as the
    // audience window shows one. A picture coded in the format's own colour space (lossy files, mostly)
    // comes out in sRGB; any other picture keeps its file's colours and, unless they are sRGB, carries
    // the file's colour profile as its colorSpace(). False, with `picture` untouched, for any failure (a
    // damaged or cut short file included); a file larger than MaxJxlFileBytes, or a picture larger than
    // MaxPicturePixels, is refused before its pixels are decoded.
    bool Load(const QString& path, QImage& picture) const;

private:
    struct TEntryPoints;
    struct TThreadEntryPoints;
    std::unique_ptr<const TEntryPoints> Entries;
    std::unique_ptr<const TThreadEntryPoints> Threads;
};

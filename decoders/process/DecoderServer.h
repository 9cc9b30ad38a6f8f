#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include "DecoderProtocol.h"
#include "FreeImageBinding.h"
#include "HeifBinding.h"
#include "JxlBinding.h"
#include "UniqueFd.h"

// The decoder process's side: it answers one request at a time with whatever decoder it is given (the
// FreeImage binding in orvalis-decoder, a stand-in in the tests).

class TDecoderBackend {
public:
    virtual ~TDecoderBackend() = default;
    virtual bool Loaded() const = 0;
    virtual int FileType(const QString& path) const = 0;
    virtual bool Load(const QString& path, QImage& picture) const = 0;
    // The picture box-reduced for a thumbnail of `box` size (TGenericDecoder::LoadReduced), and its own
    // size. This one loads it whole and reduces it.
    virtual bool LoadReduced(const QString& path, QSize box, QImage& reduced, QSize& size) const;

protected:
    // `picture`, decoded whole, box-reduced for a thumbnail of `box` size.
    static bool Reduce(const QImage& picture, QSize box, QImage& reduced, QSize& size);
};

// The FreeImage binding as a backend.
class TFreeImageBackend final : public TDecoderBackend {
public:
    explicit TFreeImageBackend(const char* libraryFile = GenericDecoderLibrary) : Decoder(libraryFile) {}
    bool Loaded() const override { return Decoder.Loaded(); }
    int FileType(const QString& path) const override { return Decoder.FileType(path); }
    bool Load(const QString& path, QImage& picture) const override { return Decoder.Load(path, picture); }
    bool LoadReduced(const QString& path, QSize box, QImage& reduced, QSize& size) const override {
        return Decoder.LoadReduced(path, box, reduced, size);
    }

private:
    TGenericDecoder Decoder;
};

// What orvalis-decoder decodes with: HEIF and AVIF files through libheif and JPEG XL files through libjxl
// (each known by its head, whatever its name), every other file through FreeImage. Any of the libraries
// may be missing; the process is of use while one of them is there.
class TPicturesBackend final : public TDecoderBackend {
public:
    bool Loaded() const override { return FreeImage.Loaded() || Heif.Loaded() || Jxl.Loaded(); }
    int FileType(const QString& path) const override { return FreeImage.FileType(path); }
    bool Load(const QString& path, QImage& picture) const override;
    bool LoadReduced(const QString& path, QSize box, QImage& reduced, QSize& size) const override;

private:
    TFreeImageBackend FreeImage;
    THeifDecoder Heif;
    TJxlDecoder Jxl;
};

// The decoder's side of one connection: it answers each message in turn and keeps the last whole
// picture until the program has taken it.
class TDecoderSession {
public:
    explicit TDecoderSession(const TDecoderBackend& backend) : Backend(backend) {}

    // The answer to one message. A message that is not a well-formed request gets a failed reply. Any
    // message lets the kept picture go, except that Handover hands it over first.
    TDecoderAnswer Answer(const QByteArray& message);

private:
    TDecoderAnswer Picture(const QString& path);
    TDecoderAnswer Handover();

    const TDecoderBackend& Backend;
    QImage Kept;
};

// The limits a decoder process runs under: an address space of DecoderAddressSpace bytes (not in a
// sanitizer build, whose shadow memory needs terabytes of it), and no core dumps of its crashes.
inline constexpr qint64 DecoderAddressSpace = qint64(4) << 30;
void LimitDecoderProcess();

// A request the program stopped waiting for ends the process after this many seconds at the latest, so
// that a hung decoder never outlives a program that went away.
inline constexpr unsigned DecoderSelfDeadlineSeconds = 60;

// The memory of the pictures decoded is kept from one request to the next, so that the library and the
// program's code write into pages that are there already (a thumbnail worker's requests come one after
// the other); once no request has come for this long, it is given back.
inline constexpr int DecoderIdleMs = 2000;

// Has the process's allocator keep freed memory for the next picture rather than hand it back to the
// system at once (which makes every large picture fault in fresh pages, zeroed, then zeroed again by
// the library). Called once at the start of the decoder process.
void KeepDecoderMemory();

// Serves requests on `socket` until the program closes its end; returns the process's exit status.
int RunDecoderServer(int socket, const TDecoderBackend& backend);

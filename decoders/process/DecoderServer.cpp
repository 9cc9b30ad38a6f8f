#include "DecoderServer.h"

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QColor>
#include <QColorSpace>
#include <QFile>

#include <cstring>
#include <utility>

#include "BoxReduce.h"
#include "FitThumbnail.h"
#include "PictureMemory.h"

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool SanitizerBuild = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
constexpr bool SanitizerBuild = true;
#else
constexpr bool SanitizerBuild = false;
#endif
#else
constexpr bool SanitizerBuild = false;
#endif

TDecoderAnswer Failed() {
    return {};
}

TDecoderAnswer Value(qint32 value) {
    TDecoderAnswer answer;
    answer.Reply.Status = TDecoderStatus::Done;
    answer.Reply.Value = value;
    return answer;
}

// The picture fitted into the request's box: a thumbnail's few kilobytes go back, not the picture.
// An RGB32 picture copied into a sealed memory file that goes back with the answer.
TDecoderAnswer InMemoryFile(const QImage& picture) {
    TSharedPictureWriter writer;
    {
        QImage shared = writer.Create(picture.width(), picture.height());
        if (shared.isNull() || picture.format() != QImage::Format_RGB32) {
            return Failed();
        }
        for (int y = 0; y < picture.height(); ++y) {
            std::memcpy(shared.scanLine(y), picture.constScanLine(y), std::size_t(picture.width()) * 4);
        }
    }
    TDecoderAnswer answer = Value(0);
    answer.Picture = writer.Seal();
    if (!answer.Picture.Valid()) {
        return Failed();
    }
    answer.Reply.PictureSize = picture.size();
    return answer;
}

// The picture fitted into the request's box: a thumbnail's few kilobytes go back, not the picture. It is
// box-reduced as it is converted, and fitted from there.
TDecoderAnswer Thumbnail(const TDecoderRequest& request, const QString& path,
                         const TDecoderBackend& backend) {
    QImage reduced;
    QSize size;
    if (!backend.LoadReduced(path, request.ThumbnailBox, reduced, size) || reduced.isNull()) {
        return Failed();
    }
    QImage fitted;
    FitReducedThumbnail(reduced, size, fitted, request.ThumbnailBox.width(), request.ThumbnailBox.height(),
                        QColor::fromRgba(request.Background));
    reduced = QImage();
    return InMemoryFile(fitted);
}

}  // namespace

bool TDecoderBackend::LoadReduced(const QString& path, QSize box, QImage& reduced, QSize& size) const {
    QImage picture;
    return Load(path, picture) && Reduce(picture, box, reduced, size);
}

bool TDecoderBackend::Reduce(const QImage& picture, QSize box, QImage& reduced, QSize& size) {
    if (picture.isNull()) {
        return false;
    }
    const QSize factors = ThumbnailReduction(picture.size(), box.width(), box.height());
    reduced = factors == QSize(1, 1) ? picture : BoxReduce(picture, factors.width(), factors.height());
    size = picture.size();
    return !reduced.isNull();
}

namespace {

enum class TLibrary { Heif, Jxl, FreeImage };

// The library that reads the file, by its head: looked at once per request.
TLibrary LibraryFor(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return TLibrary::FreeImage;  // which fails on it as it fails on any file it cannot open
    }
    const QByteArray head = file.read(HeifHeadBytes);  // JPEG XL's signatures are shorter
    return IsHeifHead(head) ? TLibrary::Heif : IsJxlHead(head) ? TLibrary::Jxl : TLibrary::FreeImage;
}

}  // namespace

bool TPicturesBackend::Load(const QString& path, QImage& picture) const {
    switch (LibraryFor(path)) {
        case TLibrary::Heif:
            return Heif.Load(path, picture);
        case TLibrary::Jxl:
            return Jxl.Load(path, picture);
        case TLibrary::FreeImage:
            break;
    }
    return FreeImage.Load(path, picture);
}

bool TPicturesBackend::LoadReduced(const QString& path, QSize box, QImage& reduced, QSize& size) const {
    QImage picture;
    switch (LibraryFor(path)) {
        case TLibrary::Heif:
            return Heif.Load(path, picture) && Reduce(picture, box, reduced, size);
        case TLibrary::Jxl:
            return Jxl.Load(path, picture) && Reduce(picture, box, reduced, size);
        case TLibrary::FreeImage:
            break;
    }
    return FreeImage.LoadReduced(path, box, reduced, size);
}

TDecoderAnswer TDecoderSession::Answer(const QByteArray& message) {
    try {
        const std::optional<TDecoderRequest> request = DecodeRequest(message);
        if (request && request->Operation == TDecoderOperation::Handover) {
            return Handover();
        }
        Kept = QImage();
        if (!request) {
            return Failed();
        }
        const QString path = QFile::decodeName(request->Path);
        switch (request->Operation) {
            case TDecoderOperation::Hello:
                return Value(Backend.Loaded() ? 1 : 0);
            case TDecoderOperation::FileType:
                return Value(Backend.FileType(path));
            case TDecoderOperation::Picture:
                return Picture(path);
            case TDecoderOperation::Thumbnail:
                return Thumbnail(*request, path, Backend);
            case TDecoderOperation::Release:
                return Value(0);
            case TDecoderOperation::Handover:
                break;
        }
    } catch (...) {
        // Out of memory inside the address-space limit, most likely: this file is not decodable.
        Kept = QImage();
    }
    return Failed();
}

// The whole picture, decoded as the program would decode it itself and kept here for the program to
// read.
TDecoderAnswer TDecoderSession::Picture(const QString& path) {
    QImage picture;
    if (!Backend.Load(path, picture) || picture.isNull() || picture.format() != QImage::Format_RGB32 ||
        picture.bytesPerLine() != qsizetype(picture.width()) * 4) {
        return Failed();
    }
    Kept = picture;
    TDecoderAnswer answer = Value(0);
    answer.Reply.PictureSize = Kept.size();
    // Its colours are converted where they are shown, from the profile that goes with it.
    // (sRGB, and pictures that name no colours, need none; the program decides for the others.)
    if (picture.colorSpace().isValid() && picture.colorSpace() != QColorSpace(QColorSpace::SRgb)) {
        const QByteArray profile = picture.colorSpace().iccProfile();
        answer.Reply.Profile = profile.size() <= MaxReplyProfile ? profile : QByteArray();
    }
    answer.Reply.PictureAddress = quint64(reinterpret_cast<quintptr>(std::as_const(Kept).constBits()));
    return answer;
}

// The kept picture, copied into a memory file for a program that may not read here.
TDecoderAnswer TDecoderSession::Handover() {
    const QImage picture = std::exchange(Kept, QImage());
    return picture.isNull() ? Failed() : InMemoryFile(picture);
}

void LimitDecoderProcess() {
    // A crash here is expected now and then; it must not leave a core dump behind or wait for one. (The
    // process stays dumpable: that is what lets the program read a picture from its memory.)
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    if (!SanitizerBuild) {
        const rlimit space{rlim_t(DecoderAddressSpace), rlim_t(DecoderAddressSpace)};
        ::setrlimit(RLIMIT_AS, &space);
    }
}

void KeepDecoderMemory() {
    // Large blocks from the heap rather than mappings of their own, and the heap's top kept: freed, a
    // picture's memory serves the next picture. The server gives it back when it is idle.
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, int(MaxPictureBytes));
}

int RunDecoderServer(int socket, const TDecoderBackend& backend) {
    TDecoderSession session(backend);
    bool holdsMemory = false;
    for (;;) {
        QByteArray message;
        TUniqueFd ignored;
        const TReceiveResult received =
            ReceiveDecoderMessage(socket, holdsMemory ? DecoderIdleMs : -1, message, ignored);
        if (received == TReceiveResult::TimedOut && holdsMemory) {
            // Idle: the memory kept for the next picture goes back to the system.
            ReleaseSparePictureMemory();
            malloc_trim(0);
            holdsMemory = false;
            continue;
        }
        if (received == TReceiveResult::Closed) {
            return 0;
        }
        if (received != TReceiveResult::Received) {
            return 1;
        }
        holdsMemory = true;
        ::alarm(DecoderSelfDeadlineSeconds);
        const TDecoderAnswer answer = session.Answer(message);
        ::alarm(0);
        if (!SendDecoderMessage(socket, EncodeReply(answer.Reply), answer.Picture.Get())) {
            return 0;  // the program stopped waiting and went
        }
    }
}

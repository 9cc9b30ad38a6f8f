#include "DecoderServer.h"

#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QColor>
#include <QFile>

#include "FitThumbnail.h"

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

// The whole picture, decoded straight into the memory file that goes back.
TDecoderAnswer Picture(const QString& path, const TDecoderBackend& backend) {
    TSharedPictureWriter writer;
    QSize size;
    {
        QImage picture;
        const TPictureAllocator intoSharedMemory = [&](int width, int height) {
            return writer.Create(width, height);
        };
        if (!backend.Load(path, picture, intoSharedMemory) || picture.isNull()) {
            return Failed();
        }
        size = picture.size();
    }  // the picture lets go of the memory before the file is sealed
    TDecoderAnswer answer;
    answer.Picture = writer.Seal();
    if (!answer.Picture.Valid()) {
        return Failed();
    }
    answer.Reply.Status = TDecoderStatus::Done;
    answer.Reply.Value = 0;
    answer.Reply.PictureSize = size;
    return answer;
}

// The picture fitted into the request's box: a thumbnail's few kilobytes go back, not the picture.
TDecoderAnswer Thumbnail(const TDecoderRequest& request, const QString& path,
                         const TDecoderBackend& backend) {
    QImage picture;
    if (!backend.Load(path, picture, {}) || picture.isNull()) {
        return Failed();
    }
    QImage fitted;
    FitThumbnail(picture, fitted, request.ThumbnailBox.width(), request.ThumbnailBox.height(),
                 QColor::fromRgba(request.Background));
    picture = QImage();
    TSharedPictureWriter writer;
    TDecoderAnswer answer;
    {
        QImage shared = writer.Create(fitted.width(), fitted.height());
        if (shared.isNull() || fitted.format() != QImage::Format_RGB32) {
            return Failed();
        }
        for (int y = 0; y < fitted.height(); ++y) {
            std::memcpy(shared.scanLine(y), fitted.constScanLine(y), std::size_t(fitted.width()) * 4);
        }
    }
    answer.Picture = writer.Seal();
    if (!answer.Picture.Valid()) {
        return Failed();
    }
    answer.Reply.Status = TDecoderStatus::Done;
    answer.Reply.Value = 0;
    answer.Reply.PictureSize = fitted.size();
    return answer;
}

}  // namespace

TDecoderAnswer AnswerDecoderRequest(const QByteArray& message, const TDecoderBackend& backend) {
    try {
        const std::optional<TDecoderRequest> request = DecodeRequest(message);
        if (!request) {
            return Failed();
        }
        const QString path = QFile::decodeName(request->Path);
        switch (request->Operation) {
            case TDecoderOperation::Hello:
                return Value(backend.Loaded() ? 1 : 0);
            case TDecoderOperation::FileType:
                return Value(backend.FileType(path));
            case TDecoderOperation::Picture:
                return Picture(path, backend);
            case TDecoderOperation::Thumbnail:
                return Thumbnail(*request, path, backend);
        }
    } catch (...) {
        // Out of memory inside the address-space limit, most likely: this file is not decodable.
    }
    return Failed();
}

void LimitDecoderProcess() {
    // A crash here is expected now and then; it must not leave a core dump behind or wait for one.
    ::prctl(PR_SET_DUMPABLE, 0);
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    if (!SanitizerBuild) {
        const rlimit space{rlim_t(DecoderAddressSpace), rlim_t(DecoderAddressSpace)};
        ::setrlimit(RLIMIT_AS, &space);
    }
}

int RunDecoderServer(int socket, const TDecoderBackend& backend) {
    for (;;) {
        QByteArray message;
        TUniqueFd ignored;
        const TReceiveResult received = ReceiveDecoderMessage(socket, -1, message, ignored);
        if (received == TReceiveResult::Closed) {
            return 0;
        }
        if (received != TReceiveResult::Received) {
            return 1;
        }
        ::alarm(DecoderSelfDeadlineSeconds);
        const TDecoderAnswer answer = AnswerDecoderRequest(message, backend);
        ::alarm(0);
        if (!SendDecoderMessage(socket, EncodeReply(answer.Reply), answer.Picture.Get())) {
            return 0;  // the program stopped waiting and went
        }
    }
}

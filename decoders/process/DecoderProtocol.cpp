#include "DecoderProtocol.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

#include "PictureMemory.h"

namespace {

constexpr quint32 RequestMagic = 0x5156524F;  // "ORVQ"
constexpr quint32 ReplyMagic = 0x4156524F;    // "ORVA"
constexpr int RequestHeaderBytes = 24;
constexpr int ReplyBytes = 28;

// The seals a picture's memory file must carry before the program maps it: nobody can change its size
// or its contents any more.
constexpr int PictureSeals = F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE;

void Put(QByteArray& out, quint32 value) {
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

quint32 Get(const QByteArray& in, int at) {
    return qFromLittleEndian<quint32>(in.constData() + at);
}

qint32 GetSigned(const QByteArray& in, int at) {
    return qFromLittleEndian<qint32>(in.constData() + at);
}

}  // namespace

QByteArray EncodeRequest(const TDecoderRequest& request) {
    QByteArray out;
    out.reserve(RequestHeaderBytes + request.Path.size());
    Put(out, RequestMagic);
    Put(out, quint32(request.Operation));
    const QSize box = request.ThumbnailBox.isValid() ? request.ThumbnailBox : QSize(0, 0);
    Put(out, quint32(box.width()));
    Put(out, quint32(box.height()));
    Put(out, request.Background);
    Put(out, quint32(request.Path.size()));
    out.append(request.Path);
    return out;
}

std::optional<TDecoderRequest> DecodeRequest(const QByteArray& message) {
    if (message.size() < RequestHeaderBytes || message.size() > MaxDecoderMessage ||
        Get(message, 0) != RequestMagic) {
        return std::nullopt;
    }
    TDecoderRequest request;
    const quint32 operation = Get(message, 4);
    if (operation < quint32(TDecoderOperation::Hello) || operation > quint32(TDecoderOperation::Handover)) {
        return std::nullopt;
    }
    request.Operation = TDecoderOperation(operation);
    const qint32 width = GetSigned(message, 8);
    const qint32 height = GetSigned(message, 12);
    request.Background = Get(message, 16);
    const quint32 pathBytes = Get(message, 20);
    if (pathBytes != quint32(message.size() - RequestHeaderBytes)) {
        return std::nullopt;
    }
    request.Path = message.mid(RequestHeaderBytes);
    if (request.Path.contains('\0')) {
        return std::nullopt;
    }
    const bool needsPath = request.Operation == TDecoderOperation::FileType ||
                           request.Operation == TDecoderOperation::Picture ||
                           request.Operation == TDecoderOperation::Thumbnail;
    if (needsPath == request.Path.isEmpty()) {
        return std::nullopt;
    }
    if (request.Operation == TDecoderOperation::Thumbnail) {
        if (width < 1 || height < 1 || width > MaxThumbnailSide || height > MaxThumbnailSide) {
            return std::nullopt;
        }
        request.ThumbnailBox = QSize(width, height);
    }
    return request;
}

QByteArray EncodeReply(const TDecoderReply& reply) {
    QByteArray out;
    out.reserve(ReplyBytes);
    Put(out, ReplyMagic);
    Put(out, quint32(reply.Status));
    Put(out, quint32(reply.Value));
    const QSize size = reply.PictureSize.isEmpty() ? QSize(0, 0) : reply.PictureSize;
    Put(out, quint32(size.width()));
    Put(out, quint32(size.height()));
    Put(out, quint32(reply.PictureAddress));
    Put(out, quint32(reply.PictureAddress >> 32));
    // The profile, when there is one, follows the fixed part to the message's end.
    if (!reply.Profile.isEmpty() && reply.Profile.size() <= MaxReplyProfile) {
        out.append(reply.Profile);
    }
    return out;
}

std::optional<TDecoderReply> DecodeReply(const QByteArray& message) {
    if (message.size() < ReplyBytes || message.size() > ReplyBytes + MaxReplyProfile ||
        Get(message, 0) != ReplyMagic) {
        return std::nullopt;
    }
    TDecoderReply reply;
    reply.Profile = message.sliced(ReplyBytes);
    const quint32 status = Get(message, 4);
    if (status != quint32(TDecoderStatus::Done) && status != quint32(TDecoderStatus::Failed)) {
        return std::nullopt;
    }
    reply.Status = TDecoderStatus(status);
    reply.Value = GetSigned(message, 8);
    const qint32 width = GetSigned(message, 12);
    const qint32 height = GetSigned(message, 16);
    if (width < 0 || height < 0 || (width == 0) != (height == 0)) {
        return std::nullopt;
    }
    reply.PictureSize = QSize(width, height);
    reply.PictureAddress = quint64(Get(message, 20)) | quint64(Get(message, 24)) << 32;
    return reply;
}

bool SendDecoderMessage(int socket, const QByteArray& message, int descriptor) {
    if (message.size() > MaxDecoderMessage) {
        return false;
    }
    iovec part{const_cast<char*>(message.constData()), std::size_t(message.size())};
    msghdr header{};
    header.msg_iov = &part;
    header.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    if (descriptor >= 0) {
        header.msg_control = control;
        header.msg_controllen = sizeof(control);
        cmsghdr* attached = CMSG_FIRSTHDR(&header);
        attached->cmsg_level = SOL_SOCKET;
        attached->cmsg_type = SCM_RIGHTS;
        attached->cmsg_len = CMSG_LEN(sizeof(int));
        std::memcpy(CMSG_DATA(attached), &descriptor, sizeof(int));
    }
    for (;;) {
        const ssize_t sent = ::sendmsg(socket, &header, MSG_NOSIGNAL);
        if (sent >= 0) {
            return sent == message.size();
        }
        if (errno != EINTR) {
            return false;
        }
    }
}

TReceiveResult ReceiveDecoderMessage(int socket, int timeoutMs, QByteArray& message, TUniqueFd& descriptor) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    pollfd waiting{socket, POLLIN, 0};
    for (;;) {
        int wait = -1;
        if (timeoutMs >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            wait = int(std::max<qint64>(0, left.count()));
        }
        const int ready = ::poll(&waiting, 1, wait);
        if (ready > 0) {
            break;
        }
        if (ready == 0) {
            return TReceiveResult::TimedOut;
        }
        if (errno != EINTR) {
            return TReceiveResult::Failed;
        }
    }

    QByteArray buffer(MaxDecoderMessage + 1, Qt::Uninitialized);
    iovec part{buffer.data(), std::size_t(buffer.size())};
    alignas(cmsghdr) char control[CMSG_SPACE(4 * sizeof(int))] = {};
    msghdr header{};
    header.msg_iov = &part;
    header.msg_iovlen = 1;
    header.msg_control = control;
    header.msg_controllen = sizeof(control);
    ssize_t received = 0;
    do {
        received = ::recvmsg(socket, &header, MSG_CMSG_CLOEXEC | MSG_DONTWAIT);
    } while (received < 0 && errno == EINTR);
    if (received < 0) {
        return errno == ECONNRESET ? TReceiveResult::Closed : TReceiveResult::Failed;
    }

    // Every descriptor that came is owned here, whatever else is wrong with the message.
    std::vector<TUniqueFd> descriptors;
    for (cmsghdr* attached = CMSG_FIRSTHDR(&header); attached != nullptr;
         attached = CMSG_NXTHDR(&header, attached)) {
        if (attached->cmsg_level != SOL_SOCKET || attached->cmsg_type != SCM_RIGHTS) {
            continue;
        }
        const std::size_t count = (attached->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        for (std::size_t i = 0; i < count; ++i) {
            int passed = -1;
            std::memcpy(&passed, CMSG_DATA(attached) + i * sizeof(int), sizeof(int));
            descriptors.emplace_back(passed);
        }
    }
    if (received == 0 && descriptors.empty()) {
        return TReceiveResult::Closed;  // a sequenced-packet socket reads 0 bytes only at its end
    }
    if ((header.msg_flags & (MSG_TRUNC | MSG_CTRUNC)) != 0 || received > MaxDecoderMessage ||
        descriptors.size() > 1) {
        return TReceiveResult::Failed;
    }
    buffer.truncate(qsizetype(received));
    message = buffer;
    descriptor = descriptors.empty() ? TUniqueFd() : std::move(descriptors.front());
    return TReceiveResult::Received;
}

// Shared pictures -----------------------------------------------------------------------------------------

QImage TSharedPictureWriter::Create(int width, int height) {
    if (File.Valid() || width <= 0 || height <= 0 || PictureTooLarge(width, height)) {
        return {};
    }
    const std::size_t bytes = std::size_t(width) * 4 * std::size_t(height);
    TUniqueFd file(::memfd_create("orvalis-picture", MFD_CLOEXEC | MFD_ALLOW_SEALING));
    if (!file.Valid() || ::ftruncate(file.Get(), off_t(bytes)) != 0) {
        return {};
    }
    void* pixels = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE, file.Get(), 0);
    if (pixels == MAP_FAILED) {
        return {};
    }
    File = std::move(file);
    Pixels = pixels;
    Bytes = bytes;
    return QImage(static_cast<uchar*>(Pixels), width, height, qsizetype(width) * 4, QImage::Format_RGB32);
}

TUniqueFd TSharedPictureWriter::Seal() {
    if (Pixels != nullptr) {
        ::munmap(Pixels, Bytes);
        Pixels = nullptr;
    }
    if (!File.Valid() || ::fcntl(File.Get(), F_ADD_SEALS, PictureSeals | F_SEAL_SEAL) != 0) {
        File.Reset();
        return {};
    }
    return std::move(File);
}

TSharedPictureWriter::~TSharedPictureWriter() {
    if (Pixels != nullptr) {
        ::munmap(Pixels, Bytes);
    }
}

namespace {

struct TMapping {
    void* Address;
    std::size_t Bytes;
};

void Unmap(void* info) {
    const auto* mapping = static_cast<TMapping*>(info);
    ::munmap(mapping->Address, mapping->Bytes);
    delete mapping;
}

}  // namespace

QImage MapSharedPicture(int descriptor, QSize size) {
    if (descriptor < 0 || size.isEmpty() || PictureTooLarge(size.width(), size.height())) {
        return {};
    }
    const std::size_t bytes = std::size_t(size.width()) * 4 * std::size_t(size.height());
    struct stat status {};
    const int seals = ::fcntl(descriptor, F_GET_SEALS);
    if (seals < 0 || (seals & PictureSeals) != PictureSeals || ::fstat(descriptor, &status) != 0 ||
        !S_ISREG(status.st_mode) || std::size_t(status.st_size) != bytes) {
        return {};
    }
    // Mapped readable and populated in one go, then made writable: a page is copied only when the
    // program draws on it.
    void* pixels = ::mmap(nullptr, bytes, PROT_READ, MAP_PRIVATE | MAP_POPULATE, descriptor, 0);
    if (pixels == MAP_FAILED) {
        return {};
    }
    if (::mprotect(pixels, bytes, PROT_READ | PROT_WRITE) != 0) {
        ::munmap(pixels, bytes);
        return {};
    }
    auto* mapping = new TMapping{pixels, bytes};
    QImage picture(static_cast<uchar*>(pixels), size.width(), size.height(), qsizetype(size.width()) * 4,
                   QImage::Format_RGB32, &Unmap, mapping);
    if (picture.isNull()) {
        Unmap(mapping);
    }
    return picture;
}

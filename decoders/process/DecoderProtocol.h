#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <optional>

#include "UniqueFd.h"

// What the program asks of a decoder process and what comes back. The two talk over a local
// SOCK_SEQPACKET socket, one request and one reply at a time, each a single message. No disk file is ever
// written. A whole picture stays in the decoder's memory, where the program reads it straight into a
// picture of its own (process_vm_readv: one copy, in the large pages the picture lives in on both
// sides); where the system does not let it read there, the decoder hands it over in a sealed memory
// file (memfd) whose descriptor travels with the reply, and the program maps it. A thumbnail always
// comes in a memory file.
//
// The program treats everything a decoder sends as untrusted: a reply that does not add up is the same
// as no reply.

enum class TDecoderOperation : quint32 {
    Hello = 1,      // Value: 1 when the library is there, else 0
    FileType = 2,   // Value: the file's format code, or -1
    Picture = 3,    // the whole picture, opaque 32-bit, kept in the decoder: PictureSize, PictureAddress,
                    // Profile
    Thumbnail = 4,  // the picture fitted into ThumbnailBox on Background, as FitThumbnail fits it
    Release = 5,    // the picture kept in the decoder may go
    Handover = 6,   // the picture kept in the decoder, in a memory file; then it goes
};

struct TDecoderRequest {
    TDecoderOperation Operation = TDecoderOperation::Hello;
    QByteArray Path;  // the file's name as the file system spells it
    QSize ThumbnailBox;
    QRgb Background = 0;
};

enum class TDecoderStatus : quint32 {
    Done = 0,
    Failed = 1,
};

struct TDecoderReply {
    TDecoderStatus Status = TDecoderStatus::Failed;
    qint32 Value = -1;
    QSize PictureSize;           // of the picture that comes with the reply or is kept; empty for none
    quint64 PictureAddress = 0;  // where a kept picture lies in the decoder's memory, rows of width x 4 bytes
    QByteArray Profile;          // the ICC profile of the picture's colours; empty for sRGB or none
};

// A reply with, for a picture or a thumbnail, the sealed memory file that holds it.
struct TDecoderAnswer {
    TDecoderReply Reply;
    TUniqueFd Picture;
};

// The longest message either side sends or accepts: a path of PATH_MAX bytes and the fields around it.
inline constexpr int MaxDecoderMessage = 8192;
// The longest colour profile a reply carries; a picture with a longer one is shown as it is stored.
// (Those of cameras and phones have a few hundred bytes to a few kilobytes.)
inline constexpr int MaxReplyProfile = 7 * 1024;
// The largest thumbnail box a request may ask for.
inline constexpr int MaxThumbnailSide = 1024;

QByteArray EncodeRequest(const TDecoderRequest& request);
// The request in a message, or nothing when the message is not a well-formed request.
std::optional<TDecoderRequest> DecodeRequest(const QByteArray& message);

QByteArray EncodeReply(const TDecoderReply& reply);
// The reply in a message, or nothing when the message is not a well-formed reply.
std::optional<TDecoderReply> DecodeReply(const QByteArray& message);

// Sends one message, with `descriptor` attached when it is valid. False when the other end is gone or
// the message could not be sent whole; never raises SIGPIPE.
bool SendDecoderMessage(int socket, const QByteArray& message, int descriptor = -1);

enum class TReceiveResult {
    Received,
    Closed,    // the other end is gone
    TimedOut,  // nothing arrived in time
    Failed,    // an error, or a message too long or carrying more than one descriptor
};

// Waits at most `timeoutMs` milliseconds (-1: without limit) for one message and takes it, with the
// descriptor that came with it (any further descriptors are closed).
TReceiveResult ReceiveDecoderMessage(int socket, int timeoutMs, QByteArray& message, TUniqueFd& descriptor);

// A width x height RGB32 picture in a memory file that a decoder fills and then seals against any
// further change, so that the program can map it safely.
class TSharedPictureWriter {
public:
    // Makes the memory file and the picture that writes into it; a null picture when either fails.
    QImage Create(int width, int height);
    // Unmaps the picture's memory (every QImage made by Create must be gone by then), seals the file
    // and hands it over; an invalid descriptor when that fails.
    TUniqueFd Seal();
    ~TSharedPictureWriter();

private:
    TUniqueFd File;
    void* Pixels = nullptr;
    std::size_t Bytes = 0;
};

// The picture in a sealed memory file that a reply announced as `size`: mapped privately, so that the
// caller may draw on it without changing the file, and unmapped when the last QImage sharing it goes. A
// null picture when the file is not sealed, its size does not match, or it cannot be mapped.
QImage MapSharedPicture(int descriptor, QSize size);

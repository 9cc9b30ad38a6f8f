#include <gtest/gtest.h>

#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QThread>
#include <QtEndian>

#include <thread>

#include "DecoderProtocol.h"
#include "DecoderServer.h"
#include "PictureMemory.h"

namespace {

TEST(DecoderProtocolTest, RequestsAndRepliesGoThereAndBack) {
    TDecoderRequest thumbnail;
    thumbnail.Operation = TDecoderOperation::Thumbnail;
    thumbnail.Path = QByteArray("/pictures/\xC3\xA9t\xC3\xA9/IMG_0001.tga");
    thumbnail.ThumbnailBox = QSize(160, 120);
    thumbnail.Background = 0xFF123456u;
    const std::optional<TDecoderRequest> request = DecodeRequest(EncodeRequest(thumbnail));
    ASSERT_TRUE(request);
    EXPECT_EQ(request->Operation, TDecoderOperation::Thumbnail);
    EXPECT_EQ(request->Path, thumbnail.Path);
    EXPECT_EQ(request->ThumbnailBox, QSize(160, 120));
    EXPECT_EQ(request->Background, 0xFF123456u);

    const TDecoderReply sent{TDecoderStatus::Done, -1, QSize(6000, 4000), 0, {}};
    const std::optional<TDecoderReply> reply = DecodeReply(EncodeReply(sent));
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->Status, TDecoderStatus::Done);
    EXPECT_EQ(reply->Value, -1);
    EXPECT_EQ(reply->PictureSize, QSize(6000, 4000));
}

TEST(DecoderProtocolTest, MalformedMessagesAreRefused) {
    TDecoderRequest picture;
    picture.Operation = TDecoderOperation::Picture;
    picture.Path = "/a.pcx";
    const QByteArray good = EncodeRequest(picture);
    const auto changed = [](QByteArray bytes, int at, quint32 value) {
        qToLittleEndian(value, bytes.data() + at);
        return bytes;
    };
    TDecoderRequest box = picture;
    box.Operation = TDecoderOperation::Thumbnail;
    box.ThumbnailBox = QSize(160, 120);
    const QByteArray thumbnail = EncodeRequest(box);
    const struct {
        const char* What;
        QByteArray Message;
    } requests[] = {
        {"empty", QByteArray()},
        {"cut short", good.left(good.size() - 1)},
        {"longer than its path", good + "x"},
        {"wrong magic", changed(good, 0, 0x12345678)},
        {"unknown operation", changed(good, 4, 9)},
        {"no path", EncodeRequest(TDecoderRequest{TDecoderOperation::Picture, {}, {}, 0})},
        {"a NUL in the path",
         EncodeRequest(TDecoderRequest{TDecoderOperation::FileType, QByteArray("a\0b", 3), {}, 0})},
        {"thumbnail box of no width", changed(thumbnail, 8, 0)},
        {"thumbnail box too high", changed(thumbnail, 12, MaxThumbnailSide + 1)},
        {"thumbnail box negative", changed(thumbnail, 8, quint32(-160))},
        {"too long", EncodeRequest(TDecoderRequest{
                         TDecoderOperation::Picture, QByteArray(MaxDecoderMessage, 'a'), {}, 0})},
    };
    for (const auto& c : requests) {
        EXPECT_FALSE(DecodeRequest(c.Message)) << c.What;
    }
    EXPECT_TRUE(DecodeRequest(good));
    EXPECT_TRUE(DecodeRequest(thumbnail));

    const QByteArray reply = EncodeReply(TDecoderReply{TDecoderStatus::Done, 0, QSize(2, 2), 0, {}});
    for (const QByteArray& message :
         {reply.left(19), reply + QByteArray(MaxReplyProfile + 1, 'x'), changed(reply, 4, 7),
          changed(reply, 12, 0), changed(reply, 16, quint32(-2)), changed(reply, 0, 0)}) {
        EXPECT_FALSE(DecodeReply(message)) << message.left(64).toHex().constData();
    }
}

// A picture's colour profile travels after the reply's fixed part; one too long to travel is left out
// (the picture is then shown as stored) rather than making a reply the program refuses.
TEST(DecoderProtocolTest, RepliesCarryThePicturesProfile) {
    TDecoderReply picture{TDecoderStatus::Done, 0, QSize(6000, 4000), 0x7f0000001000, {}};
    for (const QByteArray& profile : {QByteArray(), QByteArray(560, 'p'), QByteArray(MaxReplyProfile, 'q')}) {
        picture.Profile = profile;
        const std::optional<TDecoderReply> decoded = DecodeReply(EncodeReply(picture));
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->Profile, profile);
        EXPECT_EQ(decoded->PictureSize, picture.PictureSize);
        EXPECT_EQ(decoded->PictureAddress, picture.PictureAddress);
    }
    picture.Profile = QByteArray(MaxReplyProfile + 1, 'r');
    const std::optional<TDecoderReply> decoded = DecodeReply(EncodeReply(picture));
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(decoded->Profile.isEmpty());
}

// The program maps a picture only from a memory file sealed against change, of exactly the size the
// reply announced: a decoder cannot make it read beyond the pixels or change them under its feet.
TEST(DecoderProtocolTest, OnlyASealedPictureOfTheAnnouncedSizeIsMapped) {
    TSharedPictureWriter writer;
    {
        QImage written = writer.Create(3, 2);
        ASSERT_FALSE(written.isNull());
        written.fill(qRgb(10, 20, 30));
        written.setPixel(2, 1, qRgb(200, 100, 50));
    }
    TUniqueFd sealed = writer.Seal();
    ASSERT_TRUE(sealed.Valid());
    EXPECT_TRUE(MapSharedPicture(sealed.Get(), QSize(4, 2)).isNull()) << "more pixels than the file";
    EXPECT_TRUE(MapSharedPicture(sealed.Get(), QSize(2, 2)).isNull()) << "fewer pixels than the file";
    QImage mapped = MapSharedPicture(sealed.Get(), QSize(3, 2));
    ASSERT_EQ(mapped.size(), QSize(3, 2));
    EXPECT_EQ(mapped.pixel(0, 0), qRgb(10, 20, 30));
    EXPECT_EQ(mapped.pixel(2, 1), qRgb(200, 100, 50));
    mapped.setPixel(0, 0, qRgb(1, 2, 3));  // drawn on in the program, not in the file
    EXPECT_EQ(MapSharedPicture(sealed.Get(), QSize(3, 2)).pixel(0, 0), qRgb(10, 20, 30));

    TUniqueFd unsealed(::memfd_create("unsealed", MFD_CLOEXEC));
    ASSERT_EQ(::ftruncate(unsealed.Get(), 3 * 2 * 4), 0);
    EXPECT_TRUE(MapSharedPicture(unsealed.Get(), QSize(3, 2)).isNull());
}

TEST(DecoderProtocolTest, MessagesCarryAtMostOneDescriptorAndNoticeTheOtherEndGoing) {
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair), 0);
    TUniqueFd program(pair[0]);
    TUniqueFd decoder(pair[1]);

    QByteArray message;
    TUniqueFd descriptor;
    EXPECT_EQ(ReceiveDecoderMessage(program.Get(), 10, message, descriptor), TReceiveResult::TimedOut);

    TUniqueFd file(::memfd_create("picture", MFD_CLOEXEC));
    ASSERT_TRUE(SendDecoderMessage(decoder.Get(), "with a file", file.Get()));
    ASSERT_EQ(ReceiveDecoderMessage(program.Get(), 1000, message, descriptor), TReceiveResult::Received);
    EXPECT_EQ(message, "with a file");
    EXPECT_TRUE(descriptor.Valid());

    ASSERT_TRUE(SendDecoderMessage(decoder.Get(), QByteArray(MaxDecoderMessage, 'x')));
    EXPECT_EQ(ReceiveDecoderMessage(program.Get(), 1000, message, descriptor), TReceiveResult::Received);
    EXPECT_FALSE(SendDecoderMessage(decoder.Get(), QByteArray(MaxDecoderMessage + 1, 'x')));

    decoder.Reset();
    EXPECT_EQ(ReceiveDecoderMessage(program.Get(), 1000, message, descriptor), TReceiveResult::Closed);
    EXPECT_FALSE(SendDecoderMessage(program.Get(), "to nobody")) << "and no SIGPIPE ends the program";
}

// A decoder that reads any file as a picture of 5 x 3 pixels of one colour, and fails on "bad" files.
class TSolidBackend final : public TDecoderBackend {
public:
    bool Loaded() const override { return true; }
    int FileType(const QString&) const override { return 7; }
    bool Load(const QString& path, QImage& picture) const override {
        if (path.contains(QLatin1String("bad"))) {
            return false;
        }
        picture = QImage(5, 3, QImage::Format_RGB32);
        picture.fill(qRgb(9, 8, 7));
        return true;
    }
};

QByteArray Request(TDecoderOperation operation, const QByteArray& path = {}) {
    TDecoderRequest request;
    request.Operation = operation;
    request.Path = path;
    if (operation == TDecoderOperation::Thumbnail) {
        request.ThumbnailBox = QSize(4, 4);
    }
    return EncodeRequest(request);
}

// A whole picture stays in the decoder, where the program reads it, until the next message; handed
// over, it comes in a memory file once.
TEST(DecoderSessionTest, AWholePictureIsKeptUntilTakenOrHandedOver) {
    const TSolidBackend backend;
    TDecoderSession session(backend);
    const TDecoderAnswer kept = session.Answer(Request(TDecoderOperation::Picture, "/a.psd"));
    ASSERT_EQ(kept.Reply.Status, TDecoderStatus::Done);
    EXPECT_FALSE(kept.Picture.Valid());
    ASSERT_EQ(kept.Reply.PictureSize, QSize(5, 3));
    ASSERT_NE(kept.Reply.PictureAddress, 0u);
    const auto* pixels = reinterpret_cast<const QRgb*>(quintptr(kept.Reply.PictureAddress));
    EXPECT_EQ(pixels[5 * 3 - 1], qRgb(9, 8, 7)) << "rows of width x 4 bytes at the address named";

    const TDecoderAnswer handed = session.Answer(Request(TDecoderOperation::Handover));
    ASSERT_EQ(handed.Reply.Status, TDecoderStatus::Done);
    ASSERT_TRUE(handed.Picture.Valid());
    EXPECT_EQ(MapSharedPicture(handed.Picture.Get(), handed.Reply.PictureSize).pixel(4, 2), qRgb(9, 8, 7));
    EXPECT_EQ(session.Answer(Request(TDecoderOperation::Handover)).Reply.Status, TDecoderStatus::Failed)
        << "handed over once";

    session.Answer(Request(TDecoderOperation::Picture, "/b.psd"));
    EXPECT_EQ(session.Answer(Request(TDecoderOperation::Release)).Reply.Status, TDecoderStatus::Done);
    EXPECT_EQ(session.Answer(Request(TDecoderOperation::Handover)).Reply.Status, TDecoderStatus::Failed)
        << "released";
    session.Answer(Request(TDecoderOperation::Picture, "/c.psd"));
    session.Answer(Request(TDecoderOperation::FileType, "/d.psd"));
    EXPECT_EQ(session.Answer(Request(TDecoderOperation::Handover)).Reply.Status, TDecoderStatus::Failed)
        << "any other message lets it go";

    const TDecoderAnswer failed = session.Answer(Request(TDecoderOperation::Picture, "/bad.psd"));
    EXPECT_EQ(failed.Reply.Status, TDecoderStatus::Failed);
    EXPECT_TRUE(failed.Reply.PictureSize.isEmpty());
    const TDecoderAnswer thumbnail = session.Answer(Request(TDecoderOperation::Thumbnail, "/e.psd"));
    ASSERT_TRUE(thumbnail.Picture.Valid());
    EXPECT_EQ(thumbnail.Reply.PictureSize, QSize(4, 4));
    EXPECT_EQ(session.Answer("not a request").Reply.Status, TDecoderStatus::Failed);
}

// A decoder that reads any file as a 24-megabyte picture, as large as a photograph's.
class TLargeBackend final : public TDecoderBackend {
public:
    bool Loaded() const override { return true; }
    int FileType(const QString&) const override { return 7; }
    bool Load(const QString&, QImage& picture) const override {
        picture = NewPicture(3000, 2000, QImage::Format_RGB32);
        picture.fill(qRgb(1, 2, 3));
        return true;
    }
};

// A decoder keeps the memory of its pictures while requests come one after the other (a thumbnail
// worker's), and gives it back once none has come for DecoderIdleMs.
TEST(DecoderServerTest, AnIdleDecoderGivesBackTheMemoryItKept) {
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair), 0);
    TUniqueFd program(pair[0]);
    const TLargeBackend backend;
    int status = -1;
    std::thread decoder([&] {
        TUniqueFd end(pair[1]);
        status = RunDecoderServer(end.Get(), backend);
    });
    ReleaseSparePictureMemory();
    ASSERT_TRUE(SendDecoderMessage(program.Get(), Request(TDecoderOperation::Thumbnail, "/a.psd")));
    QByteArray reply;
    TUniqueFd thumbnail;
    ASSERT_EQ(ReceiveDecoderMessage(program.Get(), 10000, reply, thumbnail), TReceiveResult::Received);
    EXPECT_TRUE(thumbnail.Valid());
    EXPECT_GT(SparePictureMemory(), 0) << "the picture's memory is kept for the next request";
    QElapsedTimer waited;
    waited.start();
    while (SparePictureMemory() > 0 && waited.elapsed() < 5 * DecoderIdleMs) {
        QThread::msleep(50);
    }
    EXPECT_EQ(SparePictureMemory(), 0);
    EXPECT_GE(waited.elapsed(), DecoderIdleMs / 2) << "given back before the decoder was idle";
    program.Reset();
    decoder.join();
    EXPECT_EQ(status, 0);
}

}  // namespace

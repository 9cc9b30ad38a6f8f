#include "HandOverMessage.h"

#include <QDataStream>
#include <QDir>
#include <QIODevice>
#include <QtEndian>

namespace {

const QByteArray Tag = QByteArrayLiteral("orvalis-open");
constexpr quint32 FormatNumber = 1;
constexpr auto StreamVersion = QDataStream::Qt_6_0;
// A request takes at least its kind (1 byte) and its path's length (4 bytes).
constexpr quint32 SmallestRequest = 5;

bool KnownKind(quint8 kind) {
    return kind >= static_cast<quint8>(TOpenKind::Picture) &&
           kind <= static_cast<quint8>(TOpenKind::ImageListFile);
}

}  // namespace

QByteArray EncodeHandOver(const TOpenRequests& requests) {
    QByteArray payload;
    QDataStream out(&payload, QIODevice::WriteOnly);
    out.setVersion(StreamVersion);
    out << Tag << FormatNumber << static_cast<quint32>(requests.size());
    for (const TOpenRequest& request : requests) {
        out << static_cast<quint8>(request.Kind) << request.Path;
    }
    QByteArray frame(HandOverHeaderSize, '\0');
    qToBigEndian(static_cast<quint32>(payload.size()), frame.data());
    return frame + payload;
}

std::optional<quint32> HandOverPayloadLength(const QByteArray& frameStart) {
    if (frameStart.size() < HandOverHeaderSize) {
        return std::nullopt;
    }
    return qFromBigEndian<quint32>(frameStart.constData());
}

std::optional<TOpenRequests> DecodeHandOver(const QByteArray& payload) {
    QDataStream in(payload);
    in.setVersion(StreamVersion);
    QByteArray tag;
    quint32 format = 0;
    quint32 count = 0;
    in >> tag >> format >> count;
    if (in.status() != QDataStream::Ok || tag != Tag || format != FormatNumber ||
        count > static_cast<quint32>(payload.size()) / SmallestRequest) {
        return std::nullopt;
    }
    TOpenRequests requests;
    requests.reserve(count);
    for (quint32 i = 0; i < count; ++i) {
        quint8 kind = 0;
        QString path;
        in >> kind >> path;
        if (in.status() != QDataStream::Ok || !KnownKind(kind) || path.isEmpty() ||
            !QDir::isAbsolutePath(path)) {
            return std::nullopt;
        }
        requests.append({static_cast<TOpenKind>(kind), path});
    }
    if (!in.atEnd()) {
        return std::nullopt;
    }
    return requests;
}

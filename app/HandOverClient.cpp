#include "HandOverClient.h"

#include <QLocalSocket>

#include <algorithm>

#include "HandOverMessage.h"
#include "PeerCredentials.h"

namespace {

int Remaining(const QDeadlineTimer& deadline) {
    return static_cast<int>(std::clamp<qint64>(deadline.remainingTime(), 0, 60 * 60 * 1000));
}

}  // namespace

THandOverResult HandOver(const QString& socketPath, const TOpenRequests& requests, QDeadlineTimer deadline) {
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(Remaining(deadline))) {
        return THandOverResult::NoProgram;
    }
    // Paths are not handed to a program of another user, whoever managed to listen under our name.
    const std::optional<uint> peer = PeerUserId(socket.socketDescriptor());
    if (!peer || *peer != OwnUserId()) {
        socket.abort();
        return THandOverResult::OtherUser;
    }
    socket.write(EncodeHandOver(requests));
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(Remaining(deadline))) {
            return THandOverResult::NoAnswer;
        }
    }
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(Remaining(deadline))) {
            return THandOverResult::NoAnswer;
        }
    }
    char answer = 0;
    socket.getChar(&answer);
    return answer == HandOverAccepted ? THandOverResult::Accepted : THandOverResult::NoAnswer;
}

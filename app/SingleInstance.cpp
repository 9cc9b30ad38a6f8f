#include "SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

#include <utility>

#include "ErrorBoundary.h"
#include "HandOverClient.h"
#include "HandOverMessage.h"
#include "PeerCredentials.h"

namespace {

// A connection that has not delivered a whole message by then is dropped.
constexpr int ReceiveMilliseconds = 10000;
// Pause between two tries while the running program is starting or ending.
constexpr unsigned long RetryMilliseconds = 100;

void Drop(QLocalSocket* socket) {
    socket->abort();
    socket->deleteLater();
}

}  // namespace

TSingleInstance::TSingleInstance(QString socketPath, QObject* parent)
    : QObject(parent),
      SocketPath(std::move(socketPath)),
      // Without a private folder there is no lock at all (never one in the current folder).
      Lock(SocketPath.isEmpty() ? QString() : SocketPath + QStringLiteral(".lock")),
      Server(new QLocalServer(this)) {
    // The lock stays held for the whole run, however long: only a lock whose process is gone is stale.
    Lock.setStaleLockTime(0);
    connect(Server, &QLocalServer::newConnection, this,
            [this] { SwallowErrors([&] { TakeConnections(); }); });
}

TSingleInstance::~TSingleInstance() {
    Stop();
}

TSingleInstance::TRole TSingleInstance::Start(const TOpenRequests& requests, QDeadlineTimer deadline) {
    if (SocketPath.isEmpty()) {
        return TRole::Run;  // nowhere private to meet another start: this one runs on its own
    }
    for (;;) {
        if (Lock.tryLock(0)) {
            Listen();
            return TRole::Run;
        }
        if (Lock.error() != QLockFile::LockFailedError) {
            // The runtime folder cannot hold the lock: run on our own rather than not at all.
            return TRole::Run;
        }
        switch (HandOver(SocketPath, requests, deadline)) {
            case THandOverResult::Accepted:
                return TRole::HandedOver;
            case THandOverResult::OtherUser:
                return TRole::OtherUsersProgram;
            case THandOverResult::NoProgram:
            case THandOverResult::NoAnswer:
                break;
        }
        if (deadline.hasExpired()) {
            return TRole::NoAnswer;
        }
        QThread::msleep(RetryMilliseconds);
    }
}

bool TSingleInstance::Listening() const {
    return Server->isListening();
}

void TSingleInstance::Stop() {
    Server->close();
    if (Lock.isLocked()) {
        Lock.unlock();
    }
}

void TSingleInstance::Listen() {
    // Holding the lock, whatever socket file is there was left by a program that has ended.
    QLocalServer::removeServer(SocketPath);
    Server->setSocketOptions(QLocalServer::UserAccessOption);
    Server->listen(SocketPath);
}

void TSingleInstance::TakeConnections() {
    while (QLocalSocket* socket = Server->nextPendingConnection()) {
        // The runtime folder keeps other users out already; a connection that got in anyway (root, a
        // folder opened up) is refused before anything of it is read.
        const std::optional<uint> peer = PeerUserId(socket->socketDescriptor());
        if (!peer || *peer != OwnUserId()) {
            Drop(socket);
            continue;
        }
        connect(socket, &QLocalSocket::readyRead, this,
                [this, socket] { SwallowErrors([&] { Receive(socket); }); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(ReceiveMilliseconds, socket, [socket] { Drop(socket); });
        Receive(socket);
    }
}

void TSingleInstance::Receive(QLocalSocket* socket) {
    const std::optional<quint32> length = HandOverPayloadLength(socket->peek(HandOverHeaderSize));
    if (!length) {
        return;
    }
    if (*length > MaxHandOverPayload) {
        Drop(socket);
        return;
    }
    if (socket->bytesAvailable() < HandOverHeaderSize + static_cast<qint64>(*length)) {
        return;
    }
    socket->skip(HandOverHeaderSize);
    const std::optional<TOpenRequests> requests = DecodeHandOver(socket->read(*length));
    if (!requests) {
        Drop(socket);
        return;
    }
    socket->write(&HandOverAccepted, 1);
    socket->disconnectFromServer();
    QTimer::singleShot(0, this, [this, requests = *requests] { emit OpenRequested(requests); });
}

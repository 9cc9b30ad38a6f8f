#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>

namespace testsupport {

inline QByteArray HttpResponse(int status, const QByteArray& reason, const QByteArray& body,
                               const QByteArray& headers = {}) {
    return "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason + "\r\nContent-Type: text/plain\r\n" +
           "Content-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n" + headers +
           "\r\n" + body;
}

inline QByteArray VersionFile(const QByteArray& body) {
    return HttpResponse(200, "OK", body);
}

// A small HTTP server on 127.0.0.1 with canned answers. Each request for a path takes the next response
// queued for that path, the last one repeating; a path with no responses is accepted and never answered.
class TCannedHttpServer {
public:
    TCannedHttpServer() {
        QObject::connect(&Server, &QTcpServer::newConnection, [this] { AcceptConnections(); });
        Server.listen(QHostAddress::LocalHost, 0);
    }

    bool IsListening() const { return Server.isListening(); }
    QString Url(const QString& path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(Server.serverPort()).arg(path);
    }
    void Answer(const QString& path, QList<QByteArray> responses) { Responses[path] = std::move(responses); }
    int RequestCount(const QString& path) const { return Requests.value(path); }

private:
    void AcceptConnections() {
        while (QTcpSocket* socket = Server.nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { ReadRequest(socket); });
        }
    }

    void ReadRequest(QTcpSocket* socket) {
        QByteArray& received = Received[socket];
        received += socket->readAll();
        if (!received.contains("\r\n\r\n")) {
            return;
        }
        const QString path = QString::fromLatin1(received.split(' ').value(1));
        received.clear();
        const int served = Requests[path]++;
        const QList<QByteArray> responses = Responses.value(path);
        if (!responses.isEmpty()) {
            socket->write(responses[std::min<qsizetype>(served, responses.size() - 1)]);
            socket->disconnectFromHost();
        }
    }

    QTcpServer Server;
    QHash<QString, QList<QByteArray>> Responses;
    QHash<QString, int> Requests;
    QHash<QTcpSocket*, QByteArray> Received;
};

}  // namespace testsupport

// A second process for the hand-over tests. It prints what happens on its standard output, one line
// each, and flushes every line:
//   handover_peer run SOCKET          becomes the program (prints "run listening") and prints "open KIND
//                                     PATH" for each request handed over, until it is killed
//   handover_peer start SOCKET PATH.. a start with these paths: prints its role and ends
//   handover_peer send SOCKET PATH..  only the sending side: prints the result of the hand-over
//   handover_peer raw SOCKET PATH..   sends the paths without looking at whose program listens: prints
//                                     "answered" when the program confirms them, else "dropped"
//   handover_peer serve SOCKET        a bare server that anyone may reach: prints "listening", then
//                                     "received N" for every N bytes that arrive
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>

#include <cstdio>

#include "CommandLine.h"
#include "HandOverClient.h"
#include "HandOverMessage.h"
#include "SingleInstance.h"

namespace {

void Say(const QString& line) {
    std::fputs((line + u'\n').toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
}

const char* RoleName(TSingleInstance::TRole role) {
    switch (role) {
        case TSingleInstance::TRole::Run:
            return "run";
        case TSingleInstance::TRole::HandedOver:
            return "handed-over";
        case TSingleInstance::TRole::OtherUsersProgram:
            return "other-users-program";
        case TSingleInstance::TRole::NoAnswer:
            return "no-answer";
    }
    return "?";
}

const char* ResultName(THandOverResult result) {
    switch (result) {
        case THandOverResult::Accepted:
            return "accepted";
        case THandOverResult::NoProgram:
            return "no-program";
        case THandOverResult::OtherUser:
            return "other-user";
        case THandOverResult::NoAnswer:
            return "no-answer";
    }
    return "?";
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 3) {
        return 2;
    }
    const QString& mode = arguments.at(1);
    const QString& socketPath = arguments.at(2);
    const TOpenRequests requests = ParseCommandLine(arguments.mid(3), QDir::currentPath()).Requests;

    if (mode == u"run" || mode == u"start") {
        TSingleInstance instance(socketPath);
        const TSingleInstance::TRole role = instance.Start(requests, QDeadlineTimer(10000));
        if (mode == u"start" || role != TSingleInstance::TRole::Run) {
            Say(QString::fromLatin1(RoleName(role)));
            return 0;
        }
        QObject::connect(&instance, &TSingleInstance::OpenRequested, [](const TOpenRequests& handed) {
            for (const TOpenRequest& request : handed) {
                Say(QStringLiteral("open %1 %2").arg(static_cast<int>(request.Kind)).arg(request.Path));
            }
        });
        Say(instance.Listening() ? QStringLiteral("run listening") : QStringLiteral("run alone"));
        return QCoreApplication::exec();
    }
    if (mode == u"send") {
        Say(QString::fromLatin1(ResultName(HandOver(socketPath, requests, QDeadlineTimer(10000)))));
        return 0;
    }
    if (mode == u"raw") {
        QLocalSocket socket;
        socket.connectToServer(socketPath);
        if (!socket.waitForConnected(10000)) {
            Say(QStringLiteral("no-program"));
            return 0;
        }
        socket.write(EncodeHandOver(requests));
        socket.waitForBytesWritten(10000);
        const bool answered =
            socket.waitForReadyRead(10000) && socket.read(1) == QByteArray(1, HandOverAccepted);
        Say(answered ? QStringLiteral("answered") : QStringLiteral("dropped"));
        return 0;
    }
    if (mode == u"serve") {
        QLocalServer server;
        server.setSocketOptions(QLocalServer::WorldAccessOption);
        if (!server.listen(socketPath)) {
            Say(QStringLiteral("cannot listen: ") + server.errorString());
            return 1;
        }
        QObject::connect(&server, &QLocalServer::newConnection, [&server] {
            while (QLocalSocket* socket = server.nextPendingConnection()) {
                QObject::connect(socket, &QLocalSocket::readyRead, [socket] {
                    Say(QStringLiteral("received %1").arg(socket->readAll().size()));
                });
            }
        });
        Say(QStringLiteral("listening"));
        return QCoreApplication::exec();
    }
    return 2;
}

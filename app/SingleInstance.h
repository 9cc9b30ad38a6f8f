#pragma once

#include <QDeadlineTimer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include "OpenRequest.h"

class QLocalServer;
class QLocalSocket;

// One program at a time for each user and display. The program that runs holds a lock file for its
// whole run and listens on a local socket beside it; a later start finds the lock held and hands its
// requests over the socket instead of running. A program that crashed leaves a lock naming a process
// that is gone and a socket nobody listens on: the next start takes the lock over and replaces the
// socket. The lock and the socket live in a folder of the user's own (PrivateRuntimeFolder); without
// one (an empty socket path) every start runs on its own.
class TSingleInstance : public QObject {
    Q_OBJECT
public:
    enum class TRole {
        Run,                // this process is the program (Listening() tells whether it takes hand-overs)
        HandedOver,         // the running program took the requests: end this start
        OtherUsersProgram,  // the name is held by another user's program: run, but take no hand-overs
        NoAnswer,           // a program holds the name but took nothing in time
    };

    explicit TSingleInstance(QString socketPath, QObject* parent = nullptr);
    ~TSingleInstance() override;

    // Becomes the program, or hands `requests` to the one that runs, trying until `deadline` while
    // that one is still starting or just ending.
    TRole Start(const TOpenRequests& requests, QDeadlineTimer deadline);
    bool Listening() const;
    // Takes no more hand-overs and frees the name for the next start.
    void Stop();

signals:
    // A later start's requests, delivered from the event loop (never inside the socket's handler).
    void OpenRequested(const TOpenRequests& requests);

private:
    void Listen();
    void TakeConnections();
    void Receive(QLocalSocket* socket);

    QString SocketPath;
    QLockFile Lock;
    QLocalServer* Server;
};

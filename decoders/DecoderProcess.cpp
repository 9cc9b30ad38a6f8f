#include "DecoderProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>

#include <cerrno>
#include <thread>

extern char** environ;

namespace {

// The descriptor a decoder process finds its socket on.
constexpr int DecoderSocket = 3;

// How long the destructor waits for a killed process to be gone before leaving it to the system.
constexpr auto ReapPatience = std::chrono::milliseconds(500);

// File actions and attributes of posix_spawn, released with their owner.
struct TSpawnSetup {
    posix_spawn_file_actions_t Actions;
    posix_spawnattr_t Attributes;
    TSpawnSetup() {
        posix_spawn_file_actions_init(&Actions);
        posix_spawnattr_init(&Attributes);
    }
    ~TSpawnSetup() {
        posix_spawnattr_destroy(&Attributes);
        posix_spawn_file_actions_destroy(&Actions);
    }
};

}  // namespace

std::unique_ptr<TDecoderProcess> TDecoderProcess::Start(const QString& executable, TStart& outcome) {
    outcome = TStart::Failed;
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0) {
        return nullptr;
    }
    TUniqueFd mine(pair[0]);
    TUniqueFd theirs(pair[1]);
    if (theirs.Get() == DecoderSocket) {
        // dup2 onto itself would keep the close-on-exec flag: move it out of the way first.
        theirs = TUniqueFd(::fcntl(theirs.Get(), F_DUPFD_CLOEXEC, DecoderSocket + 1));
        if (!theirs.Valid()) {
            return nullptr;
        }
    }

    // The child gets its socket as descriptor 3, /dev/null for everything else (what a crashing library
    // says on its way out is of no use to the operator) and nothing else of the program: every other
    // descriptor is closed, every signal has its default action and none is blocked.
    TSpawnSetup setup;
    posix_spawn_file_actions_addopen(&setup.Actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&setup.Actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&setup.Actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&setup.Actions, theirs.Get(), DecoderSocket);
    posix_spawn_file_actions_addclosefrom_np(&setup.Actions, DecoderSocket + 1);
    sigset_t none;
    sigemptyset(&none);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigmask(&setup.Attributes, &none);
    posix_spawnattr_setsigdefault(&setup.Attributes, &all);
    posix_spawnattr_setflags(&setup.Attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    const QByteArray path = QFile::encodeName(executable);
    char name[] = "orvalis-decoder";
    char* arguments[] = {name, nullptr};
    pid_t pid = 0;
    const int error =
        ::posix_spawn(&pid, path.constData(), &setup.Actions, &setup.Attributes, arguments, environ);
    if (error != 0) {
        if (error == ENOENT || error == EACCES || error == ENOEXEC || error == ENOTDIR) {
            outcome = TStart::Missing;
        }
        return nullptr;
    }
    outcome = TStart::Started;
    return std::unique_ptr<TDecoderProcess>(new TDecoderProcess(pid, std::move(mine)));
}

TDecoderProcess::~TDecoderProcess() {
    Kill();
    Socket.Reset();
    const auto giveUp = std::chrono::steady_clock::now() + ReapPatience;
    for (;;) {
        const pid_t reaped = ::waitpid(Pid_, nullptr, WNOHANG);
        if (reaped == Pid_ || (reaped < 0 && errno != EINTR)) {
            return;
        }
        if (std::chrono::steady_clock::now() >= giveUp) {
            return;  // stuck in the kernel: the system reaps it when the program ends
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

std::optional<TDecoderAnswer> TDecoderProcess::Ask(const TDecoderRequest& request,
                                                   std::chrono::milliseconds timeout, TOutcome& outcome) {
    outcome = TOutcome::Lost;
    if (Dead()) {
        outcome = TOutcome::NotDelivered;
        return std::nullopt;
    }
    if (!SendDecoderMessage(Socket.Get(), EncodeRequest(request))) {
        Kill();
        outcome = TOutcome::NotDelivered;
        return std::nullopt;
    }
    QByteArray message;
    TUniqueFd picture;
    const TReceiveResult received =
        ReceiveDecoderMessage(Socket.Get(), int(timeout.count()), message, picture);
    const std::optional<TDecoderReply> reply =
        received == TReceiveResult::Received ? DecodeReply(message) : std::nullopt;
    // A picture announced is either in the memory file that comes with it or kept in the process at an
    // address it names, and a memory file comes only with a picture announced.
    const bool consistent =
        reply && (picture.Valid() ? !reply->PictureSize.isEmpty() && reply->PictureAddress == 0
                                  : reply->PictureSize.isEmpty() || reply->PictureAddress != 0);
    if (!consistent) {
        Kill();
        if (received == TReceiveResult::TimedOut) {
            outcome = TOutcome::TimedOut;
        }
        return std::nullopt;
    }
    outcome = TOutcome::Answered;
    return TDecoderAnswer{*reply, std::move(picture)};
}

bool TDecoderProcess::ReadMemory(quint64 address, void* destination, std::size_t bytes) const {
    auto* to = static_cast<char*>(destination);
    std::size_t done = 0;
    while (done < bytes && !Dead()) {
        iovec local{to + done, bytes - done};
        iovec remote{reinterpret_cast<void*>(quintptr(address + done)), bytes - done};
        const ssize_t read = ::process_vm_readv(Pid_, &local, 1, &remote, 1, 0);
        if (read <= 0) {
            return false;  // not allowed here (ptrace rules), or not the memory it said
        }
        done += std::size_t(read);
    }
    return done == bytes;
}

void TDecoderProcess::Kill() {
    // The process is reaped only in the destructor, so its identity cannot have passed to another.
    if (!Killed.exchange(true)) {
        ::kill(Pid_, SIGKILL);
    }
}

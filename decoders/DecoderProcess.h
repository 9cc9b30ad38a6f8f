#pragma once

#include <sys/types.h>

#include <QString>

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>

#include "DecoderProtocol.h"
#include "UniqueFd.h"

// One decoder process as the program sees it: started from its executable with one end of a socket
// pair as its descriptor 3, asked one request at a time, killed when it does not answer in time. It
// is used by one thread at a time; only Kill may come from another thread.
class TDecoderProcess {
public:
    enum class TStart { Started, Missing, Failed };

    // Starts the executable; `outcome` says Missing when there is no such executable to start.
    static std::unique_ptr<TDecoderProcess> Start(const QString& executable, TStart& outcome);
    // Kills the process if it still runs and reaps it.
    ~TDecoderProcess();
    TDecoderProcess(const TDecoderProcess&) = delete;
    TDecoderProcess& operator=(const TDecoderProcess&) = delete;

    enum class TOutcome {
        Answered,
        NotDelivered,  // the process had already gone before the request reached it
        TimedOut,      // no answer in time
        Lost,          // the process ended, or its answer did not add up
    };

    // Sends the request and waits at most `timeout` for the answer. Anything but an answer kills the
    // process, which is then Dead and answers nothing more.
    std::optional<TDecoderAnswer> Ask(const TDecoderRequest& request, std::chrono::milliseconds timeout,
                                      TOutcome& outcome);

    // Copies `bytes` bytes from `address` in the process's memory to `destination`; false when the system
    // does not let this process read there, or not all of them are there.
    bool ReadMemory(quint64 address, void* destination, std::size_t bytes) const;

    // Ends the process at once; from any thread, also while another waits in Ask, which then returns
    // with nothing.
    void Kill();
    bool Dead() const { return Killed.load(); }
    pid_t Pid() const { return Pid_; }

private:
    TDecoderProcess(pid_t pid, TUniqueFd socket) : Pid_(pid), Socket(std::move(socket)) {}

    const pid_t Pid_;
    TUniqueFd Socket;
    std::atomic<bool> Killed{false};
};

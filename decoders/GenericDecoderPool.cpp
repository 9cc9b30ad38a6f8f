#include "GenericDecoderPool.h"

#include <QFile>

#include <algorithm>

TGenericDecoderPool::TGenericDecoderPool(TGenericDecoderPoolOptions options) : Options(std::move(options)) {}

TGenericDecoderPool::~TGenericDecoderPool() {
    Shutdown();
}

bool TGenericDecoderPool::Available() {
    {
        const std::lock_guard lock(Lock);
        if (Library != TLibrary::Unknown || Closed) {
            return Library == TLibrary::Present && !Closed;
        }
    }
    // A process that greets us settles it either way; it stays for the files to come.
    CheckIn(CheckOut(), true);
    const std::lock_guard lock(Lock);
    return Library == TLibrary::Present && !Closed;
}

int TGenericDecoderPool::FileType(const QString& path) {
    TDecoderRequest request;
    request.Operation = TDecoderOperation::FileType;
    request.Path = QFile::encodeName(path);
    const std::optional<TDecoderAnswer> answer = Ask(request);
    return answer && answer->Reply.Status == TDecoderStatus::Done ? answer->Reply.Value : -1;
}

bool TGenericDecoderPool::LoadPicture(const QString& path, QImage& picture) {
    TDecoderRequest request;
    request.Operation = TDecoderOperation::Picture;
    request.Path = QFile::encodeName(path);
    const std::optional<TDecoderAnswer> answer = Ask(request);
    if (!answer || answer->Reply.Status != TDecoderStatus::Done) {
        return false;
    }
    QImage mapped = MapSharedPicture(answer->Picture.Get(), answer->Reply.PictureSize);
    if (mapped.isNull()) {
        return false;
    }
    picture = mapped;
    return true;
}

bool TGenericDecoderPool::LoadThumbnail(const QString& path, QSize box, const QColor& background,
                                        QImage& thumbnail) {
    if (box.isEmpty() || box.width() > MaxThumbnailSide || box.height() > MaxThumbnailSide) {
        return false;
    }
    TDecoderRequest request;
    request.Operation = TDecoderOperation::Thumbnail;
    request.Path = QFile::encodeName(path);
    request.ThumbnailBox = box;
    request.Background = background.rgba();
    const std::optional<TDecoderAnswer> answer = Ask(request);
    if (!answer || answer->Reply.Status != TDecoderStatus::Done || answer->Reply.PictureSize != box) {
        return false;
    }
    // A thumbnail is small: a copy of its own rather than a mapping kept for every list entry.
    const QImage mapped = MapSharedPicture(answer->Picture.Get(), answer->Reply.PictureSize);
    if (mapped.isNull()) {
        return false;
    }
    thumbnail = mapped.copy();
    return !thumbnail.isNull();
}

std::optional<TDecoderAnswer> TGenericDecoderPool::Ask(const TDecoderRequest& request) {
    // A process that went away while it waited idle never saw the request: the next one gets it.
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::unique_ptr<TDecoderProcess> process = CheckOut();
        if (!process) {
            return std::nullopt;
        }
        TDecoderProcess::TOutcome outcome = TDecoderProcess::TOutcome::Lost;
        std::optional<TDecoderAnswer> answer = process->Ask(request, Options.Deadline, outcome);
        CheckIn(std::move(process), answer.has_value());
        if (outcome != TDecoderProcess::TOutcome::NotDelivered) {
            return answer;
        }
    }
    return std::nullopt;
}

// An idle process, else a new one while there are fewer than Capacity, else the first one returned.
// Nothing when the pool is shut down or has no decoder to offer.
std::unique_ptr<TDecoderProcess> TGenericDecoderPool::CheckOut() {
    {
        std::unique_lock lock(Lock);
        for (;;) {
            if (Closed || Library == TLibrary::Absent) {
                return nullptr;
            }
            if (!Idle.empty()) {
                std::unique_ptr<TDecoderProcess> process = std::move(Idle.back());
                Idle.pop_back();
                Busy.push_back(process.get());
                return process;
            }
            if (Count < Options.Capacity) {
                ++Count;
                break;
            }
            Returned.wait(lock);
        }
    }
    return StartProcess();
}

// Starts a process in the place CheckOut reserved and greets it: its first answer says whether its
// library is there.
std::unique_ptr<TDecoderProcess> TGenericDecoderPool::StartProcess() {
    TDecoderProcess::TStart start = TDecoderProcess::TStart::Failed;
    std::unique_ptr<TDecoderProcess> process = TDecoderProcess::Start(Options.Executable, start);
    bool wanted = false;
    {
        const std::lock_guard lock(Lock);
        wanted = process && !Closed;
        if (wanted) {
            ++Started;
            Busy.push_back(process.get());
        } else {
            --Count;
            if (start == TDecoderProcess::TStart::Missing) {
                Library = TLibrary::Absent;
            }
            Returned.notify_all();
        }
    }
    if (!wanted) {
        return nullptr;  // a process started after the shutdown is killed and reaped here
    }
    TDecoderRequest hello;
    hello.Operation = TDecoderOperation::Hello;
    TDecoderProcess::TOutcome outcome = TDecoderProcess::TOutcome::Lost;
    const std::optional<TDecoderAnswer> answer = process->Ask(hello, Options.Deadline, outcome);
    if (!answer || answer->Reply.Status != TDecoderStatus::Done) {
        CheckIn(std::move(process), false);
        return nullptr;
    }
    if (answer->Reply.Value != 1) {
        {
            const std::lock_guard lock(Lock);
            Library = TLibrary::Absent;
        }
        CheckIn(std::move(process), false);
        return nullptr;
    }
    const std::lock_guard lock(Lock);
    if (Library == TLibrary::Unknown) {
        Library = TLibrary::Present;
    }
    return process;
}

void TGenericDecoderPool::CheckIn(std::unique_ptr<TDecoderProcess> process, bool healthy) {
    if (!process) {
        return;
    }
    {
        const std::lock_guard lock(Lock);
        Busy.erase(std::remove(Busy.begin(), Busy.end(), process.get()), Busy.end());
        if (healthy && !Closed && Library != TLibrary::Absent && !process->Dead()) {
            Idle.push_back(std::move(process));
            Returned.notify_one();
            return;
        }
        --Count;
        Returned.notify_all();
    }
    process.reset();  // killed and reaped outside the lock
}

void TGenericDecoderPool::AbortBusy() {
    const std::lock_guard lock(Lock);
    for (TDecoderProcess* process : Busy) {
        process->Kill();
    }
}

void TGenericDecoderPool::Shutdown() {
    std::vector<std::unique_ptr<TDecoderProcess>> idle;
    {
        const std::lock_guard lock(Lock);
        Closed = true;
        for (TDecoderProcess* process : Busy) {
            process->Kill();  // its caller reaps it when it checks it in
        }
        idle.swap(Idle);
        Count -= int(idle.size());
        Returned.notify_all();
    }
    // All of them are told at once, then reaped one by one: each is gone by then.
    for (const auto& process : idle) {
        process->Kill();
    }
}

int TGenericDecoderPool::StartedCount() const {
    const std::lock_guard lock(Lock);
    return Started;
}

int TGenericDecoderPool::ProcessCount() const {
    const std::lock_guard lock(Lock);
    return Count;
}

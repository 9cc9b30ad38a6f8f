#include "GenericDecoderPool.h"

#include <QColorSpace>
#include <QFile>

#include <algorithm>

#include "PictureMemory.h"

namespace {
constexpr std::size_t OutOfTimeKept = 64;
}

void TGenericDecode::Abandon() {
    const std::lock_guard lock(Lock);
    Abandoned_ = true;
    if (Serving != nullptr) {
        Serving->Kill();
    }
}

bool TGenericDecode::Abandoned() const {
    const std::lock_guard lock(Lock);
    return Abandoned_;
}

bool TGenericDecode::TimedOut() const {
    const std::lock_guard lock(Lock);
    return TimedOut_;
}

bool TGenericDecode::Serve(TDecoderProcess* process) {
    const std::lock_guard lock(Lock);
    Serving = process;
    return !Abandoned_;
}

void TGenericDecode::Served(bool timedOut) {
    const std::lock_guard lock(Lock);
    Serving = nullptr;
    TimedOut_ = TimedOut_ || timedOut;
}

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

bool TGenericDecoderPool::LoadPicture(const QString& path, QImage& picture, TGenericDecode* call) {
    TDecoderRequest request;
    request.Operation = TDecoderOperation::Picture;
    request.Path = QFile::encodeName(path);
    QImage taken;
    Converse(
        request,
        [&](TDecoderProcess& process, const TDecoderAnswer& answer) {
            if (answer.Reply.Status == TDecoderStatus::Done) {
                taken = TakePicture(process, answer.Reply);
            }
        },
        call);
    if (taken.isNull()) {
        return false;
    }
    picture = taken;
    return true;
}

bool TGenericDecoderPool::LoadThumbnail(const QString& path, QSize box, const QColor& background,
                                        QImage& thumbnail, TGenericDecode* call) {
    if (box.isEmpty() || box.width() > MaxThumbnailSide || box.height() > MaxThumbnailSide) {
        return false;
    }
    TDecoderRequest request;
    request.Operation = TDecoderOperation::Thumbnail;
    request.Path = QFile::encodeName(path);
    request.ThumbnailBox = box;
    request.Background = background.rgba();
    const std::optional<TDecoderAnswer> answer = Ask(request, call);
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

std::optional<TDecoderAnswer> TGenericDecoderPool::Ask(const TDecoderRequest& request, TGenericDecode* call) {
    std::optional<TDecoderAnswer> kept;
    Converse(
        request, [&](TDecoderProcess&, TDecoderAnswer& answer) { kept = std::move(answer); }, call);
    return kept;
}

void TGenericDecoderPool::Converse(const TDecoderRequest& request,
                                   const std::function<void(TDecoderProcess&, TDecoderAnswer&)>& followUp,
                                   TGenericDecode* call) {
    const std::chrono::milliseconds deadline = call != nullptr ? call->Deadline : Options.Deadline;
    // A process that went away while it waited idle never saw the request: the next one gets it.
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::unique_ptr<TDecoderProcess> process = CheckOut();
        if (!process) {
            return;
        }
        if (call != nullptr && !call->Serve(process.get())) {
            CheckIn(std::move(process), true);  // abandoned before it began
            return;
        }
        TDecoderProcess::TOutcome outcome = TDecoderProcess::TOutcome::Lost;
        std::optional<TDecoderAnswer> answer = process->Ask(request, deadline, outcome);
        if (answer) {
            followUp(*process, *answer);
        }
        const bool timedOut = outcome == TDecoderProcess::TOutcome::TimedOut;
        if (call != nullptr) {
            call->Served(timedOut);
        }
        if (timedOut) {
            RememberOutOfTime(request.Path);
        }
        const bool healthy = !process->Dead();
        CheckIn(std::move(process), healthy);
        if (outcome != TDecoderProcess::TOutcome::NotDelivered) {
            return;
        }
    }
}

void TGenericDecoderPool::RememberOutOfTime(const QByteArray& path) {
    const std::lock_guard lock(Lock);
    if (std::find(OutOfTime.begin(), OutOfTime.end(), path) == OutOfTime.end()) {
        if (OutOfTime.size() == OutOfTimeKept) {
            OutOfTime.erase(OutOfTime.begin());
        }
        OutOfTime.push_back(path);
    }
}

bool TGenericDecoderPool::GaveUpOn(const QString& path) const {
    const QByteArray name = QFile::encodeName(path);
    const std::lock_guard lock(Lock);
    return std::find(OutOfTime.begin(), OutOfTime.end(), name) != OutOfTime.end();
}

// The picture a process keeps for us: read from its memory into a picture of our own, or, where the
// system does not let us read there, handed over in a memory file. Null when neither works.
QImage TGenericDecoderPool::TakePicture(TDecoderProcess& process, const TDecoderReply& reply) {
    const QSize size = reply.PictureSize;
    if (size.isEmpty() || PictureTooLarge(size.width(), size.height())) {
        return {};
    }
    TDecoderRequest next;
    TDecoderProcess::TOutcome outcome = TDecoderProcess::TOutcome::Lost;
    // The colours the decoder says the picture has (a profile that is no profile means none).
    const QColorSpace colours =
        reply.Profile.isEmpty() ? QColorSpace() : QColorSpace::fromIccProfile(reply.Profile);
    QImage picture = NewPicture(size.width(), size.height(), QImage::Format_RGB32);
    if (!picture.isNull()) {
        picture.setColorSpace(colours);
    }
    if (!picture.isNull() &&
        process.ReadMemory(reply.PictureAddress, picture.bits(), std::size_t(picture.sizeInBytes()))) {
        next.Operation = TDecoderOperation::Release;
        process.Ask(next, Options.Deadline,
                    outcome);  // if it fails to let go, it is killed: the picture is ours
        return picture;
    }
    picture = QImage();
    next.Operation = TDecoderOperation::Handover;
    const std::optional<TDecoderAnswer> handed = process.Ask(next, Options.Deadline, outcome);
    if (!handed || handed->Reply.Status != TDecoderStatus::Done || handed->Reply.PictureSize != size) {
        return {};
    }
    QImage mapped = MapSharedPicture(handed->Picture.Get(), size);
    if (!mapped.isNull()) {
        mapped.setColorSpace(colours);
    }
    return mapped;
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

#include "ThumbnailerThread.h"

#include <algorithm>
#include <chrono>
#include <system_error>
#include <unordered_map>

#include "ErrorBoundary.h"
#include "FreeImageLoader.h"
#include "ThumbnailsProcessing.h"

namespace {

constexpr auto ControlTick = std::chrono::milliseconds(20);
constexpr auto AbortRetry = std::chrono::milliseconds(2);

// The control's message window: a plain object in the GUI thread that hands each message to the
// control. It is the boundary of those messages: nothing they raise goes on into Qt's event loop.
class TThumbControlWindow final : public QObject {
public:
    explicit TThumbControlWindow(TThumbnailThreadControl& control) : Control(control) {}

    bool event(QEvent* event) override {
        AcquireThumbMessages();
        switch (int(event->type())) {
            case int(ThumbWorkerFinished):
                SwallowErrors([&] {
                    if (auto* message = dynamic_cast<TThumbWorkerFinishedMessage*>(event)) {
                        Control.WorkerFinished(message->Take());
                    }
                });
                return true;
            case int(ThumbRequest):
                SwallowErrors([&] {
                    if (auto* message = dynamic_cast<TThumbRequestMessage*>(event)) {
                        Control.Enqueue(message->Take());
                    }
                });
                return true;
            case int(ThumbPrefer):
                SwallowErrors([&] {
                    if (auto* message = dynamic_cast<TThumbPreferMessage*>(event)) {
                        if (auto preference = message->Take()) {
                            Control.Prefer(*preference);
                        }
                    }
                });
                return true;
            case int(ThumbQuit):
                SwallowErrors([&] { Control.StopAll(); });
                return true;
            case int(ThumbCancel):
                SwallowErrors([&] { Control.CancelAll(); });
                return true;
            default:
                return QObject::event(event);
        }
    }

private:
    TThumbnailThreadControl& Control;
};

}  // namespace

bool StandardThumbnailRenderer(const QString& pictureFile, QImage& bitmap, const QColor& windowColour) {
    return RenderThumbnail(pictureFile, bitmap, windowColour);
}

void StandardRenderingAbort() {
    AbortGenericDecodes();
}

std::thread StartStandardThread(std::function<void()> body) {
    return std::thread(std::move(body));
}

int LogicalProcessorCount() {
    return std::max(1, int(std::thread::hardware_concurrency()));
}

// Post box ------------------------------------------------------------------------------------------------

TThumbPostBox::TThumbPostBox(QObject* resultWindow, QObject* controlWindow)
    : ResultWindow(resultWindow), ControlWindow(controlWindow) {}

bool TThumbPostBox::PostResult(std::unique_ptr<TThumbPacket> packet) {
    const std::lock_guard lock(Lock);
    if (ResultWindow == nullptr) {
        return false;
    }
    PostThumbMessage<ThumbResult>(ResultWindow, std::move(packet));
    return true;
}

void TThumbPostBox::PostWorkerFinished(quint64 worker) {
    PostThumbMessage<ThumbWorkerFinished>(ControlWindow, worker);
}

void TThumbPostBox::ForgetResultWindow() {
    const std::lock_guard lock(Lock);
    ResultWindow = nullptr;
}

// Worker --------------------------------------------------------------------------------------------------

TThumbnailThread::TThumbnailThread(quint64 identity, std::unique_ptr<TThumbnailThreadSettings> settings,
                                   TThumbPostBox& posts, TThumbnailRenderer render)
    : Identity_(identity),
      Settings(std::move(settings)),
      Packet(std::make_unique<TThumbPacket>(
          TThumbPacket{Settings->FileName, Settings->ImageIndex, Settings->Generation, QImage(), false})),
      Posts(posts),
      Render(std::move(render)) {}

TThumbnailThread::~TThumbnailThread() {
    Join();
}

void TThumbnailThread::Start(const TThreadStarter& startThread) {
    Thread = startThread([this] { Execute(); });
}

void TThumbnailThread::Join() {
    if (Thread.joinable()) {
        Thread.join();
    }
}

void TThumbnailThread::Execute() noexcept {
    try {
        if (!StopRequested.load()) {
            Packet->Success = Render(Settings->FileName, Packet->Bitmap, Settings->ControlBackgroundColour);
            if (!StopRequested.load()) {
                Posts.PostResult(std::move(Packet));
            }
        }
    } catch (...) {
        // A decoder error loses this request's result (the entry keeps its placeholder), never the
        // worker's slot: the finish notice below still goes out.
    }
    Packet.reset();
    Settings.reset();
    Done_.store(true);
    try {
        Posts.PostWorkerFinished(Identity_);
    } catch (...) {
        // Out of memory for the message: nothing is retried.
    }
}

// Control -------------------------------------------------------------------------------------------------

TThumbnailThreadControl::TThumbnailThreadControl(QObject* resultWindow, const QColor& backgroundColour,
                                                 int processorCount, TThumbnailRenderer render,
                                                 TRenderingAbort abortRendering, TThreadStarter startThread)
    : ProcessorCount_(std::max(1, processorCount)),
      BackgroundColour(backgroundColour),
      Render(std::move(render)),
      AbortRendering(std::move(abortRendering)),
      StartThread(std::move(startThread)),
      ControlWindow_(std::make_unique<TThumbControlWindow>(*this)),
      Posts(std::make_unique<TThumbPostBox>(resultWindow, ControlWindow_.get())) {
    if (resultWindow != nullptr) {
        // Runs in the GUI thread while the result window is being destroyed, before Qt drops the
        // messages still queued for it; from then on no worker posts to it.
        QObject::connect(
            resultWindow, &QObject::destroyed, ControlWindow_.get(),
            [posts = Posts.get()] { posts->ForgetResultWindow(); }, Qt::DirectConnection);
    }
}

TThumbnailThreadControl::~TThumbnailThreadControl() {
    SwallowErrors([&] { StopAll(); });
    {
        const std::lock_guard lock(Lock);
        Workers_.clear();
        PendingRequests.clear();
    }
    // Every thread has been joined: the finish notices still queued go with the window.
    ControlWindow_.reset();
}

void TThumbnailThreadControl::Start() {
    const std::lock_guard lock(Lock);
    if (!ControlStarted && !Stopped) {
        ControlThread = std::thread([this] { Execute(); });
        ControlStarted = true;
    }
}

void TThumbnailThreadControl::Execute() noexcept {
    std::unique_lock lock(Lock);
    while (!TerminateRequested) {
        if (Wake.wait_for(lock, ControlTick, [this] { return TerminateRequested; })) {
            break;
        }
        lock.unlock();
        SwallowErrors([this] { Dispatch(); });
        lock.lock();
    }
}

void TThumbnailThreadControl::Enqueue(std::unique_ptr<TThumbFileInfoData> request) {
    {
        const std::lock_guard lock(Lock);
        if (Stopped || request == nullptr) {
            return;  // after StopAll nothing more is rendered; the request is freed here
        }
        PendingRequests.push_back(std::move(request));
    }
    Dispatch();
}

void TThumbnailThreadControl::Dispatch() {
    const std::lock_guard lock(Lock);
    if (Stopped || RunningCount_ >= 2 * ProcessorCount_ || PendingRequests.empty()) {
        return;
    }
    // The request leaves the queue only once its worker runs, so that none is lost on the way.
    const TThumbFileInfoData& request = *PendingRequests.front();
    auto settings = std::make_unique<TThumbnailThreadSettings>(
        TThumbnailThreadSettings{request.FileName, request.ImageIndex, request.Generation,
                                 request.BackgroundColour, BackgroundColour});
    auto worker = std::make_unique<TThumbnailThread>(NextIdentity++, std::move(settings), *Posts, Render);
    Workers_.reserve(Workers_.size() + 1);  // so that a started worker is always listed
    try {
        worker->Start(StartThread);
    } catch (const std::system_error&) {
        return;  // no thread to be had now: the request waits for the next dispatch
    }
    PendingRequests.pop_front();
    ++RunningCount_;
    Workers_.push_back(std::move(worker));
}

void TThumbnailThreadControl::Prefer(const TThumbPreference& preference) {
    // Each waiting request is looked at once: the queue may hold a whole archive's worth.
    std::unordered_map<qint32, size_t> rank;
    for (size_t i = 0; i < preference.ImageIndices.size(); ++i) {
        rank.emplace(preference.ImageIndices[i], i);
    }
    const auto preferred = [&](const std::unique_ptr<TThumbFileInfoData>& request) {
        return request->Generation == preference.Generation && rank.count(request->ImageIndex) != 0;
    };
    const std::lock_guard lock(Lock);
    const auto end = std::stable_partition(PendingRequests.begin(), PendingRequests.end(), preferred);
    std::stable_sort(PendingRequests.begin(), end, [&](const auto& a, const auto& b) {
        return rank.at(a->ImageIndex) < rank.at(b->ImageIndex);
    });
}

void TThumbnailThreadControl::WorkerFinished(quint64 worker) {
    std::unique_ptr<TThumbnailThread> finished;
    {
        const std::lock_guard lock(Lock);
        const auto listed = std::find_if(Workers_.begin(), Workers_.end(),
                                         [&](const auto& w) { return w->Identity() == worker; });
        if (listed != Workers_.end()) {
            finished = std::move(*listed);
            Workers_.erase(listed);
            --RunningCount_;
        }
    }
    // Its notice was the worker's last act, so the join returns at once.
    finished.reset();
    Dispatch();
}

void TThumbnailThreadControl::StopWorkers() {
    // Joined outside the lock: a worker that is finishing may still be posting, and the control thread
    // may still dispatch. Only the GUI thread removes workers from the list, so the pointers stay valid.
    std::vector<TThumbnailThread*> running;
    {
        const std::lock_guard lock(Lock);
        for (const auto& worker : Workers_) {
            worker->Stop();
            running.push_back(worker.get());
        }
    }
    // A worker may be just about to hand a file to a decoder when the renderings are ended, so they are
    // ended again until every worker is through.
    while (AbortRendering &&
           std::any_of(running.begin(), running.end(), [](auto* w) { return !w->Done(); })) {
        AbortRendering();
        std::this_thread::sleep_for(AbortRetry);
    }
    for (TThumbnailThread* worker : running) {
        worker->Join();
    }
}

void TThumbnailThreadControl::StopAll() {
    {
        const std::lock_guard lock(Lock);
        Stopped = true;
        TerminateRequested = true;
    }
    Wake.notify_all();
    if (ControlThread.joinable()) {
        ControlThread.join();
    }
    StopWorkers();
}

void TThumbnailThreadControl::CancelAll() {
    // The waiting requests are taken first, so that no tick starts one of them while the running
    // workers are being stopped.
    std::deque<std::unique_ptr<TThumbFileInfoData>> cancelled;
    {
        const std::lock_guard lock(Lock);
        cancelled.swap(PendingRequests);
    }
    StopWorkers();
}

int TThumbnailThreadControl::RunningCount() const {
    const std::lock_guard lock(Lock);
    return RunningCount_;
}

qsizetype TThumbnailThreadControl::PendingRequestCount() const {
    const std::lock_guard lock(Lock);
    return qsizetype(PendingRequests.size());
}

QList<quint64> TThumbnailThreadControl::Workers() const {
    const std::lock_guard lock(Lock);
    QList<quint64> identities;
    for (const auto& worker : Workers_) {
        identities.append(worker->Identity());
    }
    return identities;
}

bool TThumbnailThreadControl::ControlThreadRunning() const {
    const std::lock_guard lock(Lock);
    return ControlStarted && !TerminateRequested;
}

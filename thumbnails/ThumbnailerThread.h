#pragma once

#include <QColor>
#include <QImage>
#include <QList>
#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "ThumbPacket.h"

// The background rendering of thumbnails: one control with its own thread that starts short-lived
// workers, each of which renders one thumbnail and posts it to the result window (normally the main
// window) as a ThumbResult message.
//
// Threads: the GUI thread handles every message to the control window (requests, quit, cancel, the
// workers' finish notices); the control thread wakes every 20 ms to start waiting requests; at most
// 2 x ProcessorCount workers run at a time. The queue, the worker list and the running count sit behind
// the control's one lock. A worker touches none of them: it reads its own settings, writes its own
// packet and posts.
//
// Shutdown: StopAll (the ThumbQuit message, and the destructor) stops dispatching, ends the control
// thread and joins it, then stops every worker and joins it; a worker busy with a picture finishes that
// picture first, except that a decoder process working for it is killed. A worker posts its result only under
// the lock that forgets the result window when that window is destroyed, and the control window outlives
// every worker, so no message ever goes to a receiver that is gone. The control must be destroyed before the
// application object.

// How a worker renders a thumbnail: RenderThumbnail with the program's decoders, unless a test puts
// something else in.
using TThumbnailRenderer =
    std::function<bool(const QString& pictureFile, QImage& bitmap, const QColor& windowColour)>;
bool StandardThumbnailRenderer(const QString& pictureFile, QImage& bitmap, const QColor& windowColour);

// Ends the renderings under way at once, so that stopping the workers never waits for a decoder that
// hangs: the generic decoder's processes are killed (AbortGenericDecodes), unless a test puts something
// else in.
using TRenderingAbort = std::function<void()>;
void StandardRenderingAbort();

// How a worker's thread is started: a std::thread running `body`, unless a test puts in one that fails
// as the system does when it has no thread to give (std::system_error).
using TThreadStarter = std::function<std::thread(std::function<void()> body)>;
std::thread StartStandardThread(std::function<void()> body);

// The number of logical processors the system reports, at least 1.
int LogicalProcessorCount();

// Where workers post: the result window and the control window. The result window is forgotten under
// the lock as soon as it is destroyed, so a post either reaches a living receiver or does not happen.
class TThumbPostBox {
public:
    TThumbPostBox(QObject* resultWindow, QObject* controlWindow);

    // Posts a ThumbResult; false (the packet freed) when the result window is gone.
    bool PostResult(std::unique_ptr<TThumbPacket> packet);
    // Posts ThumbWorkerFinished to the control window, which outlives every worker.
    void PostWorkerFinished(quint64 worker);
    // Called in the GUI thread when the result window is destroyed.
    void ForgetResultWindow();

private:
    std::mutex Lock;
    QObject* ResultWindow;
    QObject* const ControlWindow;
};

// One worker: renders the thumbnail of one request. Made suspended; Start runs its body on a thread of
// its own. The body checks the stop flag before each of its two steps (render, post the result); a job
// under way is not interrupted. Its last act is always ThumbWorkerFinished with its identity. The object
// is kept (by the control) until that notice is handled, so that the thread can be joined.
class TThumbnailThread {
public:
    TThumbnailThread(quint64 identity, std::unique_ptr<TThumbnailThreadSettings> settings,
                     TThumbPostBox& posts, TThumbnailRenderer render);
    ~TThumbnailThread();  // joins
    TThumbnailThread(const TThumbnailThread&) = delete;
    TThumbnailThread& operator=(const TThumbnailThread&) = delete;

    // Raises std::system_error when no thread can be had; the worker then has not run.
    void Start(const TThreadStarter& startThread = StartStandardThread);
    void Stop() { StopRequested.store(true); }
    // True once the body has done its work and is only posting its finish notice.
    bool Done() const { return Done_.load(); }
    void Join();
    quint64 Identity() const { return Identity_; }

private:
    void Execute() noexcept;

    const quint64 Identity_;
    std::unique_ptr<TThumbnailThreadSettings> Settings;
    std::unique_ptr<TThumbPacket> Packet;
    TThumbPostBox& Posts;
    const TThumbnailRenderer Render;
    std::atomic<bool> StopRequested{false};
    std::atomic<bool> Done_{false};
    std::thread Thread;
};

class TThumbnailThreadControl {
public:
    // Made in the GUI thread, suspended: the control window exists (so requests may be posted to it)
    // but nothing is dispatched until Start. `resultWindow` receives the ThumbResult messages and lives
    // in the GUI thread; `backgroundColour` fills the margins of every thumbnail.
    TThumbnailThreadControl(QObject* resultWindow, const QColor& backgroundColour,
                            int processorCount = LogicalProcessorCount(),
                            TThumbnailRenderer render = StandardThumbnailRenderer,
                            TRenderingAbort abortRendering = StandardRenderingAbort,
                            TThreadStarter startThread = StartStandardThread);
    // StopAll, then the queued requests and the control window are freed.
    ~TThumbnailThreadControl();
    TThumbnailThreadControl(const TThumbnailThreadControl&) = delete;
    TThumbnailThreadControl& operator=(const TThumbnailThreadControl&) = delete;

    // Starts the control thread: Dispatch every 20 ms until StopAll.
    void Start();

    // The receiver of ThumbRequest, ThumbPrefer, ThumbQuit, ThumbCancel and ThumbWorkerFinished; lives in the
    // GUI thread. Any other message gets QObject's default handling.
    QObject* ControlWindow() const { return ControlWindow_.get(); }

    // What the control window's messages do; GUI thread only. No exception leaves the message handler.
    void Enqueue(std::unique_ptr<TThumbFileInfoData> request);  // ThumbRequest
    void WorkerFinished(quint64 worker);                        // ThumbWorkerFinished
    void StopAll();                                             // ThumbQuit
    // ThumbPrefer: the waiting requests for the preferred images go first, in the preference's order;
    // the others keep their order behind them.
    void Prefer(const TThumbPreference& preference);
    void CancelAll();  // ThumbCancel

    // Starts at most one worker: none while 2 x ProcessorCount run, the queue is empty, or after StopAll.
    // A request leaves the queue only when its worker's thread is running: one whose thread cannot be
    // had stays first in line for the next dispatch (the next tick, request or finish notice).
    void Dispatch();
    // Asks every listed worker to stop, ends the renderings under way and waits until all of them have
    // ended. The list and the running count are left as they are: the finish notices that the workers
    // post bring them back into line.
    void StopWorkers();

    int RunningCount() const;
    int ProcessorCount() const { return ProcessorCount_; }
    qsizetype PendingRequestCount() const;
    QList<quint64> Workers() const;
    bool ControlThreadRunning() const;

private:
    void Execute() noexcept;

    const int ProcessorCount_;
    const QColor BackgroundColour;
    const TThumbnailRenderer Render;
    const TRenderingAbort AbortRendering;
    const TThreadStarter StartThread;
    std::unique_ptr<QObject> ControlWindow_;
    std::unique_ptr<TThumbPostBox> Posts;

    mutable std::mutex Lock;
    std::condition_variable Wake;  // ends the control thread's sleep early when it is to terminate
    std::deque<std::unique_ptr<TThumbFileInfoData>> PendingRequests;
    std::vector<std::unique_ptr<TThumbnailThread>> Workers_;  // started and not yet reported finished
    int RunningCount_ = 0;
    quint64 NextIdentity = 1;
    bool Stopped = false;  // after StopAll: no more workers are started
    bool TerminateRequested = false;
    bool ControlStarted = false;
    std::thread ControlThread;
};

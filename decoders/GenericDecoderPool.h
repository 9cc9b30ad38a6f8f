#pragma once

#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "DecoderProcess.h"

// How long one file may take in a decoder process before the process is killed and the file counts as
// not decodable.
inline constexpr std::chrono::milliseconds GenericDecoderDeadline{15000};

// One caller's decode in the pool: it may have a deadline of its own (a shorter one where someone waits
// for it), another thread may abandon it (the process serving it is killed and the caller returns at
// once), and afterwards it tells whether the file ran out of time.
class TGenericDecode {
public:
    explicit TGenericDecode(std::chrono::milliseconds deadline = GenericDecoderDeadline)
        : Deadline(deadline) {}
    TGenericDecode(const TGenericDecode&) = delete;
    TGenericDecode& operator=(const TGenericDecode&) = delete;

    // From any thread, also before the decode starts or after it ended.
    void Abandon();
    bool Abandoned() const;
    // The process did not answer before the deadline.
    bool TimedOut() const;

private:
    friend class TGenericDecoderPool;
    // The process serving the decode now; false when the decode was abandoned (the process is killed).
    bool Serve(TDecoderProcess* process);
    void Served(bool timedOut);

    const std::chrono::milliseconds Deadline;
    mutable std::mutex Lock;
    TDecoderProcess* Serving = nullptr;
    bool Abandoned_ = false;
    bool TimedOut_ = false;
};

struct TGenericDecoderPoolOptions {
    QString Executable;  // orvalis-decoder, or a stand-in
    int Capacity = 1;    // the most processes at a time: one for each thread that may decode at once
    std::chrono::milliseconds Deadline = GenericDecoderDeadline;
};

// The decoder processes the program keeps: started when first needed, reused from file to file, and
// replaced after one crashed, was killed, ran out of memory or took longer than the deadline. The file
// of such a mishap is not decodable; nothing else notices. Every member may be called from any thread.
//
// Without the executable, or when its library is not installed, every file is not decodable.
class TGenericDecoderPool {
public:
    explicit TGenericDecoderPool(TGenericDecoderPoolOptions options);
    // Shutdown.
    ~TGenericDecoderPool();
    TGenericDecoderPool(const TGenericDecoderPool&) = delete;
    TGenericDecoderPool& operator=(const TGenericDecoderPool&) = delete;

    // True when a decoder process runs and has its library; asks a first process when none has
    // answered yet.
    bool Available();

    // The file's format code as the library finds it, or -1.
    int FileType(const QString& path);
    // The whole picture, opaque 32-bit (QImage::Format_RGB32); false, `picture` untouched, when the
    // file is not decodable. With `call`, its deadline and its abandonment hold (TGenericDecode).
    bool LoadPicture(const QString& path, QImage& picture, TGenericDecode* call = nullptr);
    // The picture fitted into `box` on `background` as FitThumbnail fits it, done in the decoder process
    // so that only the thumbnail comes back; false, `thumbnail` untouched, when the file is not decodable.
    bool LoadThumbnail(const QString& path, QSize box, const QColor& background, QImage& thumbnail,
                       TGenericDecode* call = nullptr);
    // A decode of the file ran out of time lately (the last few such files are remembered): a decoder
    // in the program's own process is not to try it either.
    bool GaveUpOn(const QString& path) const;

    // Kills every process busy with a file now: their callers return at once with not decodable. The
    // pool goes on and starts new processes as they are needed.
    void AbortBusy();
    // Kills every process, busy or idle, and decodes nothing more. Returns without waiting for a busy
    // caller.
    void Shutdown();

    // Processes started so far, and running now.
    int StartedCount() const;
    int ProcessCount() const;

private:
    enum class TLibrary { Unknown, Present, Absent };

    std::optional<TDecoderAnswer> Ask(const TDecoderRequest& request, TGenericDecode* call = nullptr);
    // Sends the request to a process of the pool and, when it answers, lets `followUp` go on talking to
    // the same process before it goes back to the pool.
    void Converse(const TDecoderRequest& request,
                  const std::function<void(TDecoderProcess&, TDecoderAnswer&)>& followUp,
                  TGenericDecode* call = nullptr);
    QImage TakePicture(TDecoderProcess& process, const TDecoderReply& reply);
    void RememberOutOfTime(const QByteArray& path);
    std::unique_ptr<TDecoderProcess> CheckOut();
    std::unique_ptr<TDecoderProcess> StartProcess();
    void CheckIn(std::unique_ptr<TDecoderProcess> process, bool healthy);

    const TGenericDecoderPoolOptions Options;
    mutable std::mutex Lock;
    std::condition_variable Returned;
    std::vector<std::unique_ptr<TDecoderProcess>> Idle;
    std::vector<TDecoderProcess*> Busy;
    int Count = 0;  // idle, busy and being started
    int Started = 0;
    TLibrary Library = TLibrary::Unknown;
    bool Closed = false;
    std::vector<QByteArray> OutOfTime;  // the files whose decodes ran out of time lately, oldest first
};

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>

#include "FileMaker.h"
#include "FormatRegistry.h"
#include "FreeImageLoader.h"
#include "GenericDecoderPool.h"
#include "Jpeg2000Bitmap.h"
#include "PictureErrors.h"
#include "PictureFiles.h"
#include "ThumbnailerThread.h"
#include "ThumbnailsProcessing.h"

namespace {

using testsupport::MakeFile;

constexpr int WaitLimit = 30000;  // milliseconds; only a broken build ever waits that long

// Polls a condition that other threads make true, without handling any message meanwhile.
template <class Condition>
bool WaitWithoutMessages(Condition done) {
    const QDeadlineTimer deadline(WaitLimit);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        std::this_thread::yield();
    }
    return true;
}

// A renderer that holds each job until it is let through, and counts the jobs begun and ended. A file
// whose name holds "throw" fails as a decoder does.
class GatedRenderer {
public:
    TThumbnailRenderer Renderer() {
        return [this](const QString& file, QImage& bitmap, const QColor& colour) {
            return Render(file, bitmap, colour);
        };
    }
    void Let(const QString& file) {
        const std::lock_guard lock(Mutex);
        Allowed.insert(file);
        Changed.notify_all();
    }
    void LetAll() {
        const std::lock_guard lock(Mutex);
        All = true;
        Changed.notify_all();
    }
    int Started() const {
        const std::lock_guard lock(Mutex);
        return int(StartedFiles_.size());
    }
    QStringList StartedFiles() const {
        const std::lock_guard lock(Mutex);
        return StartedFiles_;
    }
    int Finished() const { return Finished_.load(); }

private:
    bool Render(const QString& file, QImage& bitmap, const QColor& colour) {
        {
            std::unique_lock lock(Mutex);
            StartedFiles_.append(file);
            Changed.wait(lock, [&] { return All || Allowed.contains(file); });
        }
        ++Finished_;
        if (file.contains(QLatin1String("throw"))) {
            throw EInvalidPicture(QStringLiteral("damaged picture"));
        }
        bitmap = QImage(160, 120, QImage::Format_RGB32);
        bitmap.fill(colour);
        return true;
    }

    mutable std::mutex Mutex;
    std::condition_variable Changed;
    QSet<QString> Allowed;
    bool All = false;
    QStringList StartedFiles_;
    std::atomic<int> Finished_{0};
};

// Stands in for the main window: keeps every result packet it receives.
class ResultWindow : public QObject {
public:
    bool event(QEvent* event) override {
        if (auto packet = TakeThumbPacket(event)) {
            Packets.push_back(std::move(packet));
            return true;
        }
        return QObject::event(event);
    }
    std::vector<std::unique_ptr<TThumbPacket>> Packets;
};

// Stands in for the control window when a worker runs alone.
class NoticeWindow : public QObject {
public:
    bool event(QEvent* event) override {
        AcquireThumbMessages();
        if (auto* notice = dynamic_cast<TThumbWorkerFinishedMessage*>(event)) {
            Workers.append(notice->Take());
            return true;
        }
        return QObject::event(event);
    }
    QList<quint64> Workers;
};

QString FileOf(int index, int generation) {
    return QStringLiteral("/pictures/%1/%2.tif").arg(generation).arg(index);
}

std::unique_ptr<TThumbFileInfoData> Request(int index, int generation = 0, const QString& file = QString()) {
    return std::make_unique<TThumbFileInfoData>(
        TThumbFileInfoData{file.isEmpty() ? FileOf(index, generation) : file, index, generation, Qt::white});
}

class ThumbnailerThreadTest : public ::testing::Test {
protected:
    // Lets every held job through before the control is destroyed, so that a failed test never hangs
    // in the control's joins.
    ~ThumbnailerThreadTest() override { Gate.LetAll(); }

    void Make(int processors, QObject* results = nullptr) {
        Control = std::make_unique<TThumbnailThreadControl>(results != nullptr ? results : &Results, Colour,
                                                            processors, Gate.Renderer());
        Control->Start();
    }
    void Post(int first, int count, int generation = 0) {
        for (int i = first; i < first + count; ++i) {
            PostThumbRequest(Control->ControlWindow(), Request(i, generation));
        }
    }
    void Send(QEvent::Type message) {
        QCoreApplication::postEvent(Control->ControlWindow(), new QEvent(message));
        QCoreApplication::sendPostedEvents(Control->ControlWindow(), message);
    }
    bool AllDone() const { return Control->RunningCount() == 0 && Control->PendingRequestCount() == 0; }

    const QColor Colour{0x10, 0x20, 0x30};
    ResultWindow Results;
    GatedRenderer Gate;
    std::unique_ptr<TThumbnailThreadControl> Control;
};

TEST_F(ThumbnailerThreadTest, TwoProcessorsRunFourWorkersAndTheFifthStartsOnTheFirstNotice) {
    Make(2);
    EXPECT_EQ(Control->ProcessorCount(), 2);
    Post(0, 10);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Gate.Started() == 4; }, WaitLimit));
    EXPECT_EQ(Control->RunningCount(), 4);
    EXPECT_EQ(Control->Workers().size(), 4);
    EXPECT_EQ(Control->PendingRequestCount(), 6);

    const QString first = Gate.StartedFiles().front();
    Gate.Let(first);
    ASSERT_TRUE(WaitWithoutMessages([&] { return Gate.Finished() == 1; }));
    EXPECT_EQ(Control->RunningCount(), 4) << "a slot is free only once its notice is handled";

    ASSERT_TRUE(QTest::qWaitFor([&] { return Gate.Started() == 5; }, WaitLimit));
    EXPECT_EQ(Control->RunningCount(), 4);
    EXPECT_EQ(Control->PendingRequestCount(), 5);
    ASSERT_EQ(Results.Packets.size(), 1u);
    EXPECT_EQ(Results.Packets[0]->FileName, first);

    Gate.LetAll();
    ASSERT_TRUE(QTest::qWaitFor([&] { return AllDone() && Results.Packets.size() == 10; }, WaitLimit));
    EXPECT_TRUE(Control->Workers().isEmpty());
    QSet<int> indices;
    for (const auto& packet : Results.Packets) {
        indices.insert(packet->ImageIndex);
        EXPECT_EQ(packet->FileName, FileOf(packet->ImageIndex, 0));
        EXPECT_EQ(packet->Generation, 0);
        EXPECT_TRUE(packet->Success);
        EXPECT_EQ(packet->Bitmap.size(), QSize(160, 120));
        EXPECT_EQ(packet->Bitmap.pixel(0, 0), Colour.rgb()) << "drawn on the control's colour";
    }
    EXPECT_EQ(indices.size(), 10);
}

TEST_F(ThumbnailerThreadTest, PreferredRequestsGoFirstAndTheRestKeepTheirOrder) {
    Make(1);
    Post(0, 10);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Gate.Started() == 2; }, WaitLimit));
    // Index 8 of another generation names no waiting request; 1 is already being rendered.
    PostThumbPreference(Control->ControlWindow(),
                        std::make_unique<TThumbPreference>(TThumbPreference{{7, 9, 1, 3}, 0}));
    PostThumbPreference(Control->ControlWindow(),
                        std::make_unique<TThumbPreference>(TThumbPreference{{8}, 1}));
    QCoreApplication::sendPostedEvents(Control->ControlWindow(), ThumbPrefer);
    EXPECT_EQ(Control->PendingRequestCount(), 8);

    // One job at a time from here on, so that the order in which they start is the queue's order.
    for (int started = 2; started < 10; ++started) {
        Gate.Let(Gate.StartedFiles()[started - 2]);
        ASSERT_TRUE(QTest::qWaitFor([&] { return Gate.Started() == started + 1; }, WaitLimit));
    }
    // The first two started side by side, in either order.
    const QStringList started = Gate.StartedFiles();
    EXPECT_EQ(QSet<QString>(started.begin(), started.begin() + 2),
              (QSet<QString>{FileOf(0, 0), FileOf(1, 0)}));
    QStringList expected;
    for (int index : {7, 9, 3, 2, 4, 5, 6, 8}) {
        expected << FileOf(index, 0);
    }
    EXPECT_EQ(started.mid(2), expected);
    Gate.LetAll();
    ASSERT_TRUE(QTest::qWaitFor([&] { return AllDone(); }, WaitLimit));
}

TEST_F(ThumbnailerThreadTest, CancelWaitsForTheRunningJobsAndDropsTheWaitingRequests) {
    Make(2);
    Post(0, 10);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Gate.Started() == 4; }, WaitLimit));
    const QStringList running = Gate.StartedFiles();

    // The running jobs end only after the cancel has taken the waiting requests away.
    std::thread opener([&] {
        WaitWithoutMessages([&] { return Control->PendingRequestCount() == 0; });
        Gate.LetAll();
    });
    Send(ThumbCancel);
    opener.join();
    EXPECT_EQ(Gate.Finished(), 4) << "the cancel returns only when the running jobs have ended";
    EXPECT_EQ(Control->PendingRequestCount(), 0);
    EXPECT_EQ(Control->RunningCount(), 4) << "until the finish notices are handled";

    Post(0, 2, 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return AllDone() && Gate.Started() == 6; }, WaitLimit));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Results.Packets.size() >= 2; }, WaitLimit));
    EXPECT_TRUE(Control->Workers().isEmpty());
    EXPECT_EQ(Gate.Started(), 6) << "none of the six waiting requests was rendered";
    int newGeneration = 0;
    for (const auto& packet : Results.Packets) {
        if (packet->Generation == 1) {
            ++newGeneration;
        } else {
            EXPECT_TRUE(running.contains(packet->FileName)) << "a late result of a job that was running";
        }
    }
    EXPECT_EQ(newGeneration, 2);
}

TEST_F(ThumbnailerThreadTest, QuitEndsTheControlThreadAndStartsNothingMore) {
    Make(2);
    EXPECT_TRUE(Control->ControlThreadRunning());
    Post(0, 6);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Gate.Started() == 4; }, WaitLimit));

    std::thread opener([&] {
        WaitWithoutMessages([&] { return !Control->ControlThreadRunning(); });
        Gate.LetAll();
    });
    Send(ThumbQuit);
    opener.join();
    EXPECT_FALSE(Control->ControlThreadRunning());
    EXPECT_EQ(Gate.Finished(), 4);

    Post(6, 3);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Control->RunningCount() == 0; }, WaitLimit));
    QCoreApplication::processEvents();
    EXPECT_TRUE(Control->Workers().isEmpty());
    EXPECT_EQ(Gate.Started(), 4) << "after the quit no request is rendered";
}

TEST_F(ThumbnailerThreadTest, WorkerChecksItsStopFlagBeforeEachStepAndAlwaysReportsItsEnd) {
    struct Case {
        const char* Name;
        bool StopBeforeStart, StopDuringJob, Fails;
        bool Rendered, Posted;
    };
    const std::vector<Case> cases = {
        {"runs through", false, false, false, true, true},
        {"stopped before its job", true, false, false, false, false},
        {"stopped during its job", false, true, false, true, false},
        {"decoder error", false, false, true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        ResultWindow results;
        NoticeWindow notices;
        TThumbPostBox posts(&results, &notices);
        bool rendered = false;
        TThumbnailThread* self = nullptr;
        auto settings = std::make_unique<TThumbnailThreadSettings>(
            TThumbnailThreadSettings{QStringLiteral("/p/a.tif"), 7, 3, Qt::white, Colour});
        TThumbnailThread worker(42, std::move(settings), posts,
                                [&](const QString&, QImage& bitmap, const QColor& colour) {
                                    rendered = true;
                                    if (c.StopDuringJob) {
                                        self->Stop();
                                    }
                                    if (c.Fails) {
                                        throw EInvalidPicture(QStringLiteral("damaged"));
                                    }
                                    bitmap = QImage(160, 120, QImage::Format_RGB32);
                                    bitmap.fill(colour);
                                    return true;
                                });
        self = &worker;
        if (c.StopBeforeStart) {
            worker.Stop();
        }
        worker.Start();
        worker.Join();
        QCoreApplication::sendPostedEvents();

        EXPECT_EQ(rendered, c.Rendered);
        EXPECT_EQ(notices.Workers, QList<quint64>{42});
        ASSERT_EQ(results.Packets.size(), c.Posted ? 1u : 0u);
        if (c.Posted) {
            const TThumbPacket& packet = *results.Packets[0];
            EXPECT_EQ(packet.FileName, QStringLiteral("/p/a.tif"));
            EXPECT_EQ(packet.ImageIndex, 7);
            EXPECT_EQ(packet.Generation, 3);
            EXPECT_TRUE(packet.Success);
            EXPECT_EQ(packet.Bitmap.pixel(5, 5), Colour.rgb());
        }
    }
}

TEST_F(ThumbnailerThreadTest, DecoderErrorLosesOnlyThatResult) {
    Gate.LetAll();
    Make(1);
    PostThumbRequest(Control->ControlWindow(), Request(0, 0, QStringLiteral("/p/throw.jp2")));
    Post(1, 2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return AllDone() && Results.Packets.size() == 2; }, WaitLimit));
    EXPECT_EQ(Gate.Started(), 3);
    EXPECT_EQ(Results.Packets[0]->ImageIndex + Results.Packets[1]->ImageIndex, 3);
}

// The system may have no thread to give (std::thread raises std::system_error): the request stays first
// in line and gets its worker at a later dispatch, so its entry does not keep its placeholder for ever.
TEST_F(ThumbnailerThreadTest, ARequestWhoseThreadCannotBeStartedWaitsForTheNextDispatch) {
    Gate.LetAll();
    std::atomic<int> refusals{2};
    Control = std::make_unique<TThumbnailThreadControl>(
        &Results, Colour, 1, Gate.Renderer(), StandardRenderingAbort, [&](std::function<void()> body) {
            if (refusals.fetch_sub(1) > 0) {
                throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
            }
            return std::thread(std::move(body));
        });
    Post(0, 2);
    QCoreApplication::sendPostedEvents(Control->ControlWindow());
    EXPECT_EQ(refusals.load(), 0) << "both dispatches found no thread";
    EXPECT_EQ(Control->PendingRequestCount(), 2);
    EXPECT_EQ(Control->RunningCount(), 0);
    EXPECT_TRUE(Control->Workers().isEmpty());

    Control->Start();  // the 20 ms tick tries again
    ASSERT_TRUE(QTest::qWaitFor([&] { return AllDone() && Results.Packets.size() == 2; }, WaitLimit));
    EXPECT_EQ(Results.Packets[0]->ImageIndex + Results.Packets[1]->ImageIndex, 1);
}

TEST_F(ThumbnailerThreadTest, ResultWindowDestroyedWhileWorkersRunGetsNothingPosted) {
    auto results = std::make_unique<ResultWindow>();
    Make(2, results.get());
    Post(0, 4);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Gate.Started() == 4; }, WaitLimit));
    results.reset();
    Gate.LetAll();
    ASSERT_TRUE(QTest::qWaitFor([&] { return AllDone(); }, WaitLimit));
    EXPECT_EQ(Gate.Finished(), 4);
}

TEST_F(ThumbnailerThreadTest, DestroyingTheControlJoinsEveryThreadItStarted) {
    Make(2);
    Post(0, 10);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Gate.Started() == 4; }, WaitLimit));
    std::atomic<bool> destroying{false};
    std::thread opener([&] {
        WaitWithoutMessages([&] { return destroying.load(); });
        Gate.LetAll();
    });
    destroying = true;
    Control.reset();
    opener.join();
    EXPECT_EQ(Gate.Started(), 4);
    EXPECT_EQ(Gate.Finished(), 4) << "every job had ended when the control was gone";
    QCoreApplication::processEvents();  // results already posted still reach the living result window
    EXPECT_LE(Results.Packets.size(), 4u);
}

TEST_F(ThumbnailerThreadTest, ControlWindowAnswersOnlyItsOwnMessages) {
    Make(1);
    QObject plain;
    for (const QEvent::Type other : {QEvent::Type(0xC01), QEvent::Type(0xC07), QEvent::MouseMove}) {
        SCOPED_TRACE(int(other));
        QEvent message(other);
        EXPECT_EQ(QCoreApplication::sendEvent(Control->ControlWindow(), &message),
                  QCoreApplication::sendEvent(&plain, &message))
            << "the default answer";
    }
    QEvent cancel(ThumbCancel);
    EXPECT_TRUE(QCoreApplication::sendEvent(Control->ControlWindow(), &cancel));
    QEvent emptyRequest(ThumbRequest);
    EXPECT_TRUE(QCoreApplication::sendEvent(Control->ControlWindow(), &emptyRequest));
    EXPECT_EQ(Control->PendingRequestCount(), 0);
    EXPECT_EQ(Control->RunningCount(), 0);
}

// Requests, cancels and results interleaved many times: every slot comes back, nothing is rendered
// twice, and every request of the generation that was never cancelled gets its result.
TEST_F(ThumbnailerThreadTest, RequestsAndCancelsInterleavedManyTimesLeaveNothingBehind) {
    Gate.LetAll();
    Make(2);
    QRandomGenerator random(20240611);
    std::map<int, int> issued;  // requests per generation
    int generation = 0;
    for (int round = 0; round < 400; ++round) {
        const int count = int(random.bounded(1, 6));
        Post(issued[generation], count, generation);
        issued[generation] += count;
        if (random.bounded(8) == 0) {
            Send(ThumbCancel);
            ++generation;
        }
        QCoreApplication::processEvents();
    }
    const int last = generation;
    auto resultsOfLast = [&] {
        return std::count_if(Results.Packets.begin(), Results.Packets.end(),
                             [&](const auto& p) { return p->Generation == last; });
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return AllDone() && resultsOfLast() == issued[last]; }, WaitLimit));
    EXPECT_TRUE(Control->Workers().isEmpty());

    QSet<QString> seen;
    for (const auto& packet : Results.Packets) {
        EXPECT_FALSE(seen.contains(packet->FileName)) << "rendered twice: " << packet->FileName.toStdString();
        seen.insert(packet->FileName);
        EXPECT_EQ(packet->FileName, FileOf(packet->ImageIndex, packet->Generation));
        EXPECT_LT(packet->ImageIndex, issued[packet->Generation]);
        EXPECT_TRUE(packet->Success);
    }
}

// The same with the program's own renderer over real files, several workers decoding and drawing text
// at once.
TEST_F(ThumbnailerThreadTest, RealRenderingFromSeveralWorkersAtOnce) {
    InitGenericDecoder();
    QTemporaryDir folder;
    const QStringList files = {
        MakeFile(folder.filePath("a.png"), picturetest::Saved(picturetest::Quadrants(400, 300), "png")),
        MakeFile(folder.filePath("b.jpg"), picturetest::Saved(picturetest::Quadrants(640, 480), "jpg")),
        MakeFile(folder.filePath("c.xyz"), picturetest::Saved(picturetest::Quadrants(90, 200), "bmp")),
        MakeFile(folder.filePath("d.jpg"), QByteArray("no picture in here")),
    };
    Control = std::make_unique<TThumbnailThreadControl>(&Results, Colour);
    Control->Start();
    for (int generation = 0; generation < 2; ++generation) {
        for (int i = 0; i < 24; ++i) {
            PostThumbRequest(Control->ControlWindow(), Request(i, generation, files[i % files.size()]));
        }
        if (generation == 0) {
            QCoreApplication::processEvents();
            Send(ThumbCancel);
        }
    }
    auto resultsOfLast = [&] {
        return std::count_if(Results.Packets.begin(), Results.Packets.end(),
                             [](const auto& p) { return p->Generation == 1; });
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return AllDone() && resultsOfLast() == 24; }, WaitLimit));
    for (const auto& packet : Results.Packets) {
        EXPECT_TRUE(packet->Success);
        EXPECT_EQ(packet->Bitmap.size(), QSize(160, 120));
        EXPECT_EQ(packet->FileName, files[packet->ImageIndex % files.size()]);
    }
}

// A cancel (the list cleared) and a quit (the program closing) end the renderings under way: a worker
// whose decoder hangs on a file is not waited for. The decoder is the stand-in of the decoder tests, with
// a deadline of a minute that nobody waits out.
TEST_F(ThumbnailerThreadTest, CancelAndQuitDoNotWaitForAHungDecoder) {
    QTemporaryDir folder;
    const QString hang =
        MakeFile(folder.filePath("hang.png"), picturetest::Saved(picturetest::Quadrants(8, 8), "png"));
    for (const bool quit : {false, true}) {
        SCOPED_TRACE(quit ? "quit" : "cancel");
        TGenericDecoderPool pool(
            {QStringLiteral(ORVALIS_BIN_DIR "/fake-decoder"), 4, std::chrono::minutes(1)});
        const TThumbnailDecoders decoders{
            &LoadJpeg2000File,
            [&pool](const QString& path, QSize box, const QColor& background, QImage& thumbnail) {
                return pool.LoadThumbnail(path, box, background, thumbnail);
            },
            &LoadPictureFile,
            {},
        };
        Control = std::make_unique<TThumbnailThreadControl>(
            &Results, Colour, 1,
            [&decoders](const QString& file, QImage& bitmap, const QColor& colour) {
                return RenderThumbnail(file, bitmap, colour, decoders);
            },
            [&pool] { pool.AbortBusy(); });
        Control->Start();
        PostThumbRequest(Control->ControlWindow(), Request(0, 0, hang));
        ASSERT_TRUE(QTest::qWaitFor([&] { return Control->RunningCount() == 1 && pool.ProcessCount() == 1; },
                                    WaitLimit));
        QTest::qWait(100);  // the worker is inside the decoder by now
        QElapsedTimer clock;
        clock.start();
        if (quit) {
            Control.reset();
        } else {
            Send(ThumbCancel);
        }
        EXPECT_LT(clock.elapsed(), 2000);
        Control.reset();
    }
}

}  // namespace

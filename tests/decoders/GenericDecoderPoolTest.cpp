#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <chrono>
#include <future>
#include <thread>

#include "FileMaker.h"
#include "GenericDecoderPool.h"
#include "PictureFiles.h"

using namespace std::chrono_literals;
using picturetest::Quadrants;
using picturetest::Saved;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool SanitizerBuild = true;
#else
constexpr bool SanitizerBuild = false;
#endif

const QString FakeDecoder = QStringLiteral(ORVALIS_BIN_DIR "/fake-decoder");
const QString FakeDecoderWithoutLibrary = QStringLiteral(ORVALIS_BIN_DIR "/fake-decoder-without-library");

class GenericDecoderPoolTest : public testing::Test {
protected:
    QString Picture(const QString& name) {
        return testsupport::MakeFile(Folder.filePath(name), Saved(Quadrants(30, 20), "png"));
    }
    // Waits until the pool has a process busy with a file, at most a few seconds.
    static bool WaitUntilRunning(const TGenericDecoderPool& pool, int processes) {
        for (int i = 0; i < 500 && pool.ProcessCount() < processes; ++i) {
            std::this_thread::sleep_for(10ms);
        }
        return pool.ProcessCount() >= processes;
    }
    QTemporaryDir Folder;
};

// Whatever befalls a decoder process with one file, that file is not decodable, the process is
// replaced, and the next file decodes.
TEST_F(GenericDecoderPoolTest, EveryMishapCostsOnlyItsOwnFile) {
    const struct {
        const char* Name;
        bool Decodes;
        bool Replaced;
    } cases[] = {
        {"first.png", true, false},    {"second.png", true, false},   {"crash.png", false, true},
        {"hang.png", false, true},     {"exhaust.png", false, false},  // a failed allocation is an answer
        {"missing.png", false, false}, {"slow.png", true, false},
    };
    TGenericDecoderPool pool({FakeDecoder, 1, 1500ms});
    ASSERT_TRUE(pool.Available());
    EXPECT_EQ(pool.StartedCount(), 1);
    const QImage expected = Quadrants(30, 20);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        if (SanitizerBuild && QByteArray(c.Name) == "exhaust.png") {
            continue;  // no address-space limit under AddressSanitizer
        }
        const QString name = QString::fromLatin1(c.Name);
        const QString path = name == "missing.png" ? Folder.filePath(name) : Picture(name);
        const int started = pool.StartedCount();
        QImage picture;
        EXPECT_EQ(pool.LoadPicture(path, picture), c.Decodes);
        if (c.Decodes) {
            EXPECT_EQ(picture, expected);
        } else {
            EXPECT_TRUE(picture.isNull());
        }
        QImage next;
        ASSERT_TRUE(pool.LoadPicture(Picture(QStringLiteral("next.png")), next));
        EXPECT_EQ(next, expected);
        EXPECT_EQ(pool.StartedCount(), started + (c.Replaced ? 1 : 0));
        EXPECT_EQ(pool.ProcessCount(), 1);
    }
}

TEST_F(GenericDecoderPoolTest, WithoutTheExecutableOrItsLibraryNothingIsDecodable) {
    for (const QString& executable :
         {Folder.filePath(QStringLiteral("no-such-decoder")), QString(), FakeDecoderWithoutLibrary}) {
        SCOPED_TRACE(executable.toStdString());
        TGenericDecoderPool pool({executable, 2, 1500ms});
        QImage picture;
        EXPECT_FALSE(pool.Available());
        EXPECT_FALSE(pool.LoadPicture(Picture(QStringLiteral("a.png")), picture));
        EXPECT_FALSE(
            pool.LoadThumbnail(Picture(QStringLiteral("a.png")), QSize(160, 120), Qt::white, picture));
        EXPECT_EQ(pool.FileType(Picture(QStringLiteral("a.png"))), -1);
        EXPECT_TRUE(picture.isNull());
        EXPECT_EQ(pool.ProcessCount(), 0);
        EXPECT_LE(pool.StartedCount(), 1) << "it is asked once, not for every file";
    }
}

TEST_F(GenericDecoderPoolTest, ThumbnailsAreFittedInTheDecoderProcess) {
    TGenericDecoderPool pool({FakeDecoder, 1, 5000ms});
    QImage thumbnail;
    ASSERT_TRUE(
        pool.LoadThumbnail(Picture(QStringLiteral("a.png")), QSize(160, 120), QColor(1, 2, 3), thumbnail));
    EXPECT_EQ(thumbnail.size(), QSize(160, 120));
    EXPECT_EQ(thumbnail.pixel(0, 0), qRgb(1, 2, 3)) << "the margin in the background colour";
    EXPECT_EQ(thumbnail.pixel(80, 60), qRgb(250, 250, 0)) << "the picture, not enlarged, in the middle";
    EXPECT_EQ(pool.FileType(Picture(QStringLiteral("b.png"))), 13);
    EXPECT_FALSE(pool.LoadThumbnail(Picture(QStringLiteral("c.png")), QSize(0, 120), Qt::white, thumbnail));
}

// A caller that waits for its decode gives it a deadline of its own, and can abandon it from another
// thread: only its own process is killed, at once. A file that ran out of time is remembered, so that no
// decoder in the program's own process tries it after.
TEST_F(GenericDecoderPoolTest, ACallHasItsOwnDeadlineAndCanBeAbandoned) {
    TGenericDecoderPool pool({FakeDecoder, 2, 60000ms});
    const QString hang = Picture(QStringLiteral("hang.png"));
    const QString slow = Picture(QStringLiteral("slow.png"));
    QElapsedTimer clock;
    clock.start();
    TGenericDecode quick(300ms);
    QImage picture;
    EXPECT_FALSE(pool.LoadPicture(hang, picture, &quick));
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_TRUE(quick.TimedOut());
    EXPECT_TRUE(pool.GaveUpOn(hang));
    EXPECT_FALSE(pool.GaveUpOn(slow));

    // Abandoned while another caller's file decodes: that one is not touched.
    TGenericDecode waited;
    auto abandoned = std::async(std::launch::async, [&] {
        QImage hung;
        return pool.LoadPicture(hang, hung, &waited);
    });
    auto other = std::async(std::launch::async, [&] {
        QImage decoded;
        return pool.LoadPicture(slow, decoded);
    });
    ASSERT_TRUE(WaitUntilRunning(pool, 2));
    std::this_thread::sleep_for(50ms);
    clock.restart();
    waited.Abandon();
    ASSERT_EQ(abandoned.wait_for(5s), std::future_status::ready);
    EXPECT_FALSE(abandoned.get());
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_FALSE(waited.TimedOut());
    EXPECT_TRUE(other.get());

    // Abandoned before it starts, it never reaches a process.
    TGenericDecode early;
    early.Abandon();
    EXPECT_FALSE(pool.LoadPicture(slow, picture, &early));
}

// The program's close and the list's clear never wait for a decoder that hangs: a shutdown kills the
// process at once, where the deadline would have taken a minute.
TEST_F(GenericDecoderPoolTest, ShutdownAndAbortReturnAtOnceFromAHungDecoder) {
    for (const bool shutdown : {false, true}) {
        SCOPED_TRACE(shutdown ? "shutdown" : "abort");
        TGenericDecoderPool pool({FakeDecoder, 2, 60000ms});
        const QString hang = Picture(QStringLiteral("hang.png"));
        auto waiting = std::async(std::launch::async, [&] {
            QImage picture;
            return pool.LoadPicture(hang, picture);
        });
        ASSERT_TRUE(WaitUntilRunning(pool, 1));
        std::this_thread::sleep_for(50ms);  // well inside the request by now
        QElapsedTimer clock;
        clock.start();
        if (shutdown) {
            pool.Shutdown();
        } else {
            pool.AbortBusy();
        }
        ASSERT_EQ(waiting.wait_for(5s), std::future_status::ready);
        EXPECT_FALSE(waiting.get());
        EXPECT_LT(clock.elapsed(), 2000);
        QImage picture;
        EXPECT_EQ(pool.LoadPicture(Picture(QStringLiteral("after.png")), picture), !shutdown)
            << "after an abort the pool goes on; after a shutdown it decodes nothing more";
    }
}

TEST_F(GenericDecoderPoolTest, ThreadsDecodeAtTheSameTimeInProcessesOfTheirOwn) {
    TGenericDecoderPool pool({FakeDecoder, 3, 5000ms});
    std::vector<std::future<bool>> decodes;
    for (int i = 0; i < 6; ++i) {
        const QString path = Picture(QStringLiteral("slow-%1.png").arg(i));
        decodes.push_back(std::async(std::launch::async, [&pool, path] {
            QImage picture;
            return pool.LoadPicture(path, picture) && picture == Quadrants(30, 20);
        }));
    }
    for (auto& decode : decodes) {
        EXPECT_TRUE(decode.get());
    }
    EXPECT_EQ(pool.StartedCount(), 3) << "never more processes than the capacity";
}

}  // namespace

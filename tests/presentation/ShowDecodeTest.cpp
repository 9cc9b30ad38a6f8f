// The show's generic decodes, which let the GUI's events run while the decoder process works: with the
// stand-in decoder (fake-decoder), whose "hang" files never finish and "slow" ones take a moment.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>

#include "FileMaker.h"
#include "GenericDecoderPool.h"
#include "ShowDecode.h"
#include "ShowFakes.h"

using namespace std::chrono_literals;

namespace {

class ShowDecodeTest : public ::testing::Test {
protected:
    QString Picture(const char* name) {
        return testsupport::MakeFile(Folder.filePath(QLatin1String(name)),
                                     showfakes::Encoded(showfakes::Solid(30, 20, Qt::red), "PNG"));
    }
    TEventfulDecode From(const QString& path) {
        return [this, path](TGenericDecode& call, QImage& picture) {
            return Pool.LoadPicture(path, picture, &call);
        };
    }
    QTemporaryDir Folder;
    TGenericDecoderPool Pool{{QStringLiteral(ORVALIS_BIN_DIR "/fake-decoder"), 2, 60000ms}};
};

TEST_F(ShowDecodeTest, TheGuiGoesOnWhileAFileDecodes) {
    int ticks = 0;
    QTimer ticking;
    QObject::connect(&ticking, &QTimer::timeout, [&] { ++ticks; });
    ticking.start(10);
    QImage picture;
    ASSERT_TRUE(DecodeWhileEventsRun(From(Picture("slow.png")), picture));
    EXPECT_EQ(picture.size(), QSize(30, 20));
    EXPECT_GT(ticks, 0);
}

// Escape, Stop or Exit meanwhile give the file up at once; a file that takes longer than the show's
// deadline is given up too, and remembered.
TEST_F(ShowDecodeTest, AHungFileIsGivenUpAtOnceOrAtTheDeadline) {
    const QString hang = Picture("hang.png");
    QElapsedTimer clock;
    clock.start();
    QTimer::singleShot(100, [] { AbandonShowDecode(); });
    QImage picture;
    EXPECT_FALSE(DecodeWhileEventsRun(From(hang), picture));
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_TRUE(picture.isNull());

    clock.restart();
    EXPECT_FALSE(DecodeWhileEventsRun(From(hang), picture, 300ms));
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_TRUE(Pool.GaveUpOn(hang));

    AbandonShowDecode();  // nothing waits: nothing happens
    EXPECT_TRUE(DecodeWhileEventsRun(From(Picture("after.png")), picture));
}

}  // namespace

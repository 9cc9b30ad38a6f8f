#include <gtest/gtest.h>

#include <QImage>
#include <QRandomGenerator>

#include <cstring>
#include <thread>

#include "CameraPicture.h"
#include "Orientation.h"
#include "PictureMemory.h"
#include "PixelCompare.h"
#include "ResampleAhead.h"
#include "Resampler.h"

namespace {

const QImage& Photo() {
    static const QImage picture = testsupport::CameraLikePicture(900, 600, 7);
    return picture;
}

// Copies `source` into a new picture from the top down in bands of random height, on a thread of its
// own, telling `ahead` of each band as the JPEG reader does; returns the picture.
QImage DecodeInBands(const QImage& source, TResampleAhead& ahead, int rows, quint32 seed) {
    QImage picture = NewPicture(source.width(), source.height(), source.format());
    uchar* bits = picture.bits();
    std::thread decoder([&] {
        QRandomGenerator random(seed);
        int done = 0;
        while (done < rows) {
            const int band = std::min(rows - done, 1 + int(random.bounded(40)));
            for (int y = done; y < done + band; ++y) {
                std::memcpy(bits + y * picture.bytesPerLine(), source.constScanLine(y),
                            size_t(source.bytesPerLine()));
            }
            done += band;
            ahead.RowsReady(picture, done);
        }
    });
    decoder.join();
    ahead.StopReading();
    return picture;
}

struct TAheadCase {
    const char* Name;
    QSize Target;
    bool TurnedAfter;
};

void PrintTo(const TAheadCase& c, std::ostream* out) {
    *out << c.Name;
}

class ResampleAheadTest : public ::testing::TestWithParam<TAheadCase> {};

// Resampled while it is decoded, and drawn on afterwards: the picture of a resampling of the finished
// picture, to the byte.
TEST_P(ResampleAheadTest, GivesThePixelsOfAResamplingOfTheFinishedPicture) {
    const TAheadCase& c = GetParam();
    TResampleAhead ahead(Photo().size(), c.Target.width(), c.Target.height(), c.TurnedAfter);
    QImage picture = DecodeInBands(Photo(), ahead, Photo().height(), 3);
    const QRect drawn(700, 100, 50, 30);
    for (int y = drawn.top(); y <= drawn.bottom(); ++y) {
        for (int x = drawn.left(); x <= drawn.right(); ++x) {
            picture.setPixel(x, y, qRgb(255, 255, (x * y) & 0xFF));
        }
    }
    const QImage expected = ResampleLanczos(picture, c.Target.width(), c.Target.height(), c.TurnedAfter);
    const QImage made = ahead.Finish(picture, drawn);
    ASSERT_EQ(made.size(), c.Target);
    EXPECT_EQ(made, expected);
}

INSTANTIATE_TEST_SUITE_P(Table, ResampleAheadTest,
                         ::testing::Values(TAheadCase{"WidthFirst", {300, 250}, false},
                                           TAheadCase{"HeightFirst", {400, 150}, false},
                                           TAheadCase{"TieWidthFirst", {300, 200}, false},
                                           TAheadCase{"TieTurnedHeightFirst", {300, 200}, true},
                                           TAheadCase{"WidthKept", {900, 250}, false},
                                           TAheadCase{"HeightKept", {301, 600}, false},
                                           TAheadCase{"Enlarged", {1350, 901}, false},
                                           TAheadCase{"SameSize", {900, 600}, false}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(ResampleAheadTest, ADecodeThatStopsShortGivesNothing) {
    for (const QSize target : {QSize(300, 250), QSize(400, 150)}) {
        TResampleAhead ahead(Photo().size(), target.width(), target.height(), false);
        const QImage picture = DecodeInBands(Photo(), ahead, Photo().height() / 2, 5);
        EXPECT_TRUE(ahead.Finish(picture, QRect()).isNull());
    }
    TResampleAhead ahead(Photo().size(), 300, 200, false);
    ahead.RowsReady(Photo().scaled(450, 300), 300);  // not the picture it was made for
    ahead.StopReading();
    EXPECT_TRUE(ahead.Finish(Photo(), QRect()).isNull());
}

// A picture shown turned is fitted as stored into the turned size and the small copy turned: the same
// pixels as turning the whole picture and fitting it, but for the last bit of the rounding of a few
// pixels where the mirrored taps sum in the other order. (Passes in the other order would change the
// rounding of a third of them.)
TEST(ResampleTurnedTest, FittingAndThenTurningGivesThePixelsOfTurningAndThenFitting) {
    for (int orientation = 2; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        QImage upright = Photo();
        ApplyExifOrientation(upright, orientation);
        // Both sides reduced alike (the pass order then follows the turn), and not alike.
        for (const QSize target : {upright.size() / 3, QSize(upright.width() / 3, upright.height() / 4)}) {
            SCOPED_TRACE(testing::PrintToString(target));
            const QImage expected = ResampleLanczos(upright, target.width(), target.height());
            const bool turned = IsQuarterTurn(orientation);
            const QSize stored = turned ? target.transposed() : target;
            QImage fitted = ResampleLanczos(Photo(), stored.width(), stored.height(), turned);
            ApplyExifOrientation(fitted, orientation);
            EXPECT_LE(testsupport::MaxByteDifference(fitted, expected), 1);
            EXPECT_LE(testsupport::DifferingPixels(fitted, expected),
                      target.width() * target.height() / 1000);
        }
    }
}

}  // namespace

#include <gtest/gtest.h>

#include <QImage>

#include <vector>

#include "CameraPicture.h"
#include "FitThumbnail.h"
#include "Orientation.h"
#include "PixelCompare.h"
#include "Resampler.h"

namespace {

TEST(FitThumbnailTest, TargetRectangleKeepsTheAspectAndNeverEnlarges) {
    struct Case {
        QSize Source;
        int Left, Top, Right, Bottom;
    };
    const std::vector<Case> cases = {
        {{320, 240}, 0, 0, 160, 120},   // exactly twice the box
        {{240, 320}, 35, 0, 125, 120},  // portrait: f = 0.375
        {{100, 50}, 30, 35, 130, 85},   // smaller both ways: kept at f = 1
        {{160, 50}, 0, 35, 160, 85},    // as wide as the box is not smaller: f = min(1, 2.4) = 1
        {{320, 100}, 0, 35, 160, 85},   // f = 0.5
        {{1, 5000}, 79, 0, 79, 120},    // too thin to show a column: truncated to nothing
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.Source));
        const QRect rect = FitThumbnailRect(c.Source, 160, 120);
        EXPECT_EQ(rect.left(), c.Left);
        EXPECT_EQ(rect.top(), c.Top);
        EXPECT_EQ(rect.left() + rect.width(), c.Right);
        EXPECT_EQ(rect.top() + rect.height(), c.Bottom);
    }
    EXPECT_TRUE(FitThumbnailRect(QSize(0, 10), 160, 120).isEmpty());
}

TEST(FitThumbnailTest, DrawsTheSourceOpaqueOnTheBackground) {
    // A fully transparent red source still shows red: the picture is copied, not blended.
    QImage source(240, 320, QImage::Format_ARGB32);
    source.fill(qRgba(255, 0, 0, 0));
    QImage destination;
    ASSERT_TRUE(FitThumbnail(source, destination, 160, 120, QColor(0, 0, 255, 10)));
    ASSERT_EQ(destination.size(), QSize(160, 120));
    for (int y : {0, 60, 119}) {
        EXPECT_EQ(destination.pixel(34, y), qRgb(0, 0, 255));
        EXPECT_EQ(destination.pixel(35, y), qRgb(255, 0, 0));
        EXPECT_EQ(destination.pixel(124, y), qRgb(255, 0, 0));
        EXPECT_EQ(destination.pixel(125, y), qRgb(0, 0, 255));
    }
    EXPECT_EQ(qAlpha(destination.pixel(80, 60)), 255);

    // Nothing to draw: only the background, or nothing at all for an empty box.
    ASSERT_TRUE(FitThumbnail(QImage(), destination, 16, 12, Qt::green));
    EXPECT_EQ(destination.size(), QSize(16, 12));
    EXPECT_EQ(destination.pixel(8, 6), qRgb(0, 255, 0));
    ASSERT_TRUE(FitThumbnail(source, destination, 0, 12, Qt::green));
    EXPECT_TRUE(destination.isNull());
}

// A large picture is box-reduced by whole factors before its Lanczos pass: on a camera's photograph, the
// thumbnail stays within 40 dB of the exact Lanczos fit, also where the boxes at the edges are cut short
// (4000 = 333 boxes of 12 and a third).
TEST(FitThumbnailTest, AReducedPhotographStaysWithin40DecibelsOfTheExactFit) {
    QImage photo = testsupport::CameraLikePicture(4000, 3000, 11);
    for (int orientation : {1, 6}) {
        ApplyExifOrientation(photo, orientation);
        SCOPED_TRACE(testing::PrintToString(photo.size()));
        ASSERT_GT(ThumbnailReduction(photo.size(), 160, 120).width(), 1) << "not reduced: nothing tested";
        const QRect rect = FitThumbnailRect(photo.size(), 160, 120);
        const QImage exact = ResampleLanczos(photo, rect.width(), rect.height());
        QImage thumbnail;
        ASSERT_TRUE(FitThumbnail(photo, thumbnail, 160, 120, Qt::white));
        EXPECT_GE(testsupport::PsnrRgb(thumbnail.copy(rect), exact), 40.0);
    }
    // A small picture is fitted exactly, as before.
    EXPECT_EQ(ThumbnailReduction(QSize(320, 240), 160, 120), QSize(1, 1));
    EXPECT_EQ(ThumbnailReduction(QSize(100, 50), 160, 120), QSize(1, 1));
}

}  // namespace

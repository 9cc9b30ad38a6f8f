// The picture surface on a monitor scaled 2x (this test program runs with QT_SCALE_FACTOR=2): the fitted
// copy is made for the monitor's pixels and lands on them one to one, so a picture of the monitor's
// size is shown pixel for pixel.
#include <gtest/gtest.h>

#include <QImage>

#include "Preview.h"

namespace {

// Set before the test entry makes the application, as a scaled desktop sets it for every program.
const bool ScaledTwice = qputenv("QT_SCALE_FACTOR", "2");

// A one-pixel checkerboard: any resampling, doubling or shift of it shows.
QImage Checkerboard(int width, int height) {
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x) {
            line[x] = (x + y) % 2 == 0 ? 0xFFFFFFFFu : 0xFF000000u;
        }
    }
    return picture;
}

struct TScaledCase {
    const char* Name;
    QSize Picture;   // each shown without resampling: it fits the monitor's height exactly
    QRect Expected;  // where it lands, in the monitor's pixels
};

void PrintTo(const TScaledCase& scaled, std::ostream* out) {
    *out << scaled.Name;
}

class ScaledSurfaceTest : public ::testing::TestWithParam<TScaledCase> {};

TEST_P(ScaledSurfaceTest, ShowsThePicturePixelForPixel) {
    const TScaledCase& c = GetParam();
    ASSERT_TRUE(ScaledTwice);
    TFormPreview window;
    window.setGeometry(0, 0, 960, 540);  // 1920 x 1080 pixels of the monitor
    window.show();
    ASSERT_EQ(window.ImgView32Preview->devicePixelRatioF(), 2.0) << "the program runs at QT_SCALE_FACTOR=2";
    ASSERT_EQ(window.ImgView32Preview->DeviceSize(), QSize(1920, 1080));

    const QImage picture = Checkerboard(c.Picture.width(), c.Picture.height());
    window.SetPicture(picture);
    const QImage& fitted = window.ImgView32Preview->FittedPicture();
    EXPECT_EQ(fitted.size(), c.Expected.size());
    EXPECT_EQ(fitted.devicePixelRatio(), 2.0);
    EXPECT_EQ(window.ImgView32Preview->FittedRect(), c.Expected);

    QImage screen = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(screen.size(), QSize(1920, 1080));
    screen.setDevicePixelRatio(1.0);
    EXPECT_TRUE(screen.copy(c.Expected) == picture) << "the picture on the screen is not the picture";
    // Black around it, not a pixel of the picture smeared into the bars.
    if (c.Expected.left() > 0) {
        EXPECT_EQ(screen.pixel(c.Expected.left() - 1, 540), 0xFF000000u);
        EXPECT_EQ(screen.pixel(c.Expected.right() + 1, 541), 0xFF000000u);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, ScaledSurfaceTest,
                         ::testing::Values(TScaledCase{"FillsTheMonitor", {1920, 1080}, {0, 0, 1920, 1080}},
                                           // Centred at an odd pixel: half a logical pixel from the left.
                                           TScaledCase{"OddBars", {1001, 1080}, {459, 0, 1001, 1080}}),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace

#include <gtest/gtest.h>

#include <QImage>

#include <thread>
#include <vector>

#include "PixelBox.h"
#include "TextDrawing.h"

namespace {

QFont TestFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(32);
    return font;
}

QImage Black(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::black);
    return image;
}

bool NotBlack(QRgb pixel) {
    return (pixel & 0xFFFFFF) != 0;
}

TEST(TextDrawingTest, TheInkLandsInTheMeasuredBoxAtTheGivenCorner) {
    const QString text = QStringLiteral("1234");
    const QSize extent = TextExtent(TestFont(), text);
    ASSERT_FALSE(extent.isEmpty());

    QImage picture = Black(200, 100);
    DrawAntialiasedText(picture, TestFont(), text, QPoint(20, 30), Qt::white);
    const QRect ink = testsupport::PixelBox(picture, NotBlack);
    EXPECT_NEAR(ink.left(), 20, 1);
    EXPECT_NEAR(ink.top(), 30, 1);
    EXPECT_NEAR(ink.width(), extent.width(), 1);
    EXPECT_NEAR(ink.height(), extent.height(), 1);

    // Antialiased: edge pixels take in-between values, the core is the full colour.
    bool partial = false;
    bool full = false;
    for (int y = ink.top(); y <= ink.bottom(); ++y) {
        for (int x = ink.left(); x <= ink.right(); ++x) {
            const int grey = qRed(picture.pixel(x, y));
            partial = partial || (grey > 0 && grey < 255);
            full = full || grey == 255;
        }
    }
    EXPECT_TRUE(partial);
    EXPECT_TRUE(full);
}

TEST(TextDrawingTest, ClipsAtTheEdgesAndIgnoresEmptyInput) {
    QImage picture = Black(40, 20);
    DrawAntialiasedText(picture, TestFont(), QStringLiteral("Watermark"), QPoint(25, 10), Qt::white);
    EXPECT_FALSE(testsupport::PixelBox(picture, NotBlack).isEmpty());

    QImage untouched = Black(40, 20);
    DrawAntialiasedText(untouched, TestFont(), QString(), QPoint(2, 2), Qt::white);
    DrawAntialiasedText(untouched, TestFont(), QStringLiteral("far away"), QPoint(500, 500), Qt::white);
    EXPECT_TRUE(testsupport::PixelBox(untouched, NotBlack).isEmpty());

    QImage null;
    DrawAntialiasedText(null, TestFont(), QStringLiteral("x"), QPoint(0, 0), Qt::white);
    EXPECT_TRUE(null.isNull());
    EXPECT_TRUE(TextExtent(TestFont(), QString()).isEmpty());
}

TEST(TextDrawingTest, DrawsTheSameFromSeveralThreadsAtOnce) {
    QImage expected = Black(160, 120);
    DrawAntialiasedText(expected, TestFont(), QStringLiteral(" Generating..."), QPoint(4, 40), Qt::white);

    std::vector<QImage> pictures(4, Black(160, 120));
    std::vector<std::thread> threads;
    for (QImage& picture : pictures) {
        threads.emplace_back([&picture] {
            for (int i = 0; i < 20; ++i) {
                picture.fill(Qt::black);
                DrawAntialiasedText(picture, TestFont(), QStringLiteral(" Generating..."), QPoint(4, 40),
                                    Qt::white);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (const QImage& picture : pictures) {
        EXPECT_EQ(picture, expected);
    }
}

}  // namespace

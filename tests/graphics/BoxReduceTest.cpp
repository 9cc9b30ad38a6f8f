#include <gtest/gtest.h>

#include <QImage>

#include <vector>

#include "BoxReduce.h"

namespace {

// A picture of one row per entry, the bytes of each pixel given as blue, green, red.
QImage Rows(const std::vector<std::vector<QRgb>>& rows, QImage::Format format = QImage::Format_RGB32) {
    QImage picture(int(rows.front().size()), int(rows.size()), format);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            picture.setPixel(x, y, rows[y][x]);
        }
    }
    return picture;
}

// The same pixels as a decoder holding 24-bit rows bottom up keeps them, with padding at each row's end.
std::vector<uchar> BottomUp24(const QImage& picture, qsizetype stride) {
    std::vector<uchar> bytes(size_t(stride * picture.height()), 0xAB);
    for (int y = 0; y < picture.height(); ++y) {
        uchar* row = bytes.data() + (picture.height() - 1 - y) * stride;
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb pixel = picture.pixel(x, y);
            row[3 * x] = uchar(qBlue(pixel));
            row[3 * x + 1] = uchar(qGreen(pixel));
            row[3 * x + 2] = uchar(qRed(pixel));
        }
    }
    return bytes;
}

TEST(BoxReduceTest, AveragesBoxesFromTheTopLeftAndWhatIsLeftAtTheEdges) {
    const QImage picture = Rows({{qRgb(10, 0, 0), qRgb(20, 0, 0), qRgb(41, 0, 0)},
                                 {qRgb(30, 0, 3), qRgb(40, 0, 3), qRgb(43, 0, 4)},
                                 {qRgb(0, 200, 0), qRgb(0, 100, 0), qRgb(0, 0, 255)}});
    const QImage reduced = BoxReduce(picture, 2, 2);
    ASSERT_EQ(reduced.size(), QSize(2, 2));
    EXPECT_EQ(reduced.format(), QImage::Format_RGB32);
    EXPECT_EQ(reduced.pixel(0, 0), qRgb(25, 0, 2));   // (10 + 20 + 30 + 40) / 4; blue 6 / 4 = 1.5 rounds up
    EXPECT_EQ(reduced.pixel(1, 0), qRgb(42, 0, 2));   // a box cut short at the right: 2 pixels
    EXPECT_EQ(reduced.pixel(0, 1), qRgb(0, 150, 0));  // cut short at the bottom
    EXPECT_EQ(reduced.pixel(1, 1), qRgb(0, 0, 255));  // the corner: one pixel

    // Boxes of other shapes, and a picture whose alpha counts.
    EXPECT_EQ(BoxReduce(picture, 3, 1).pixel(0, 2), qRgb(0, 100, 85));
    const QImage translucent = Rows({{qRgba(0, 0, 0, 0), qRgba(0, 0, 0, 255)}}, QImage::Format_ARGB32);
    const QImage halfway = BoxReduce(translucent, 2, 1);
    EXPECT_EQ(halfway.format(), QImage::Format_ARGB32);
    EXPECT_EQ(qAlpha(halfway.pixel(0, 0)), 128);
}

TEST(BoxReduceTest, TakesTheRowsAsADecoderHoldsThem) {
    std::vector<std::vector<QRgb>> rows;
    for (int y = 0; y < 5; ++y) {
        rows.push_back({});
        for (int x = 0; x < 7; ++x) {
            rows.back().push_back(qRgb(x * 30, y * 50, (x + y) * 10));
        }
    }
    const QImage picture = Rows(rows);
    const qsizetype stride = 7 * 3 + 3;  // rows padded to whole words, as a bitmap keeps them
    const std::vector<uchar> bytes = BottomUp24(picture, stride);
    const TPixelRows bottomUp{bytes.data() + 4 * stride, -stride, 7, 5, 3};
    EXPECT_EQ(BoxReduce(bottomUp, 1, 1), picture);
    EXPECT_EQ(BoxReduce(bottomUp, 3, 2), BoxReduce(picture, 3, 2));
    EXPECT_TRUE(BoxReduce(TPixelRows{}, 2, 2).isNull());
    EXPECT_TRUE(BoxReduce(picture, 0, 2).isNull());
}

}  // namespace

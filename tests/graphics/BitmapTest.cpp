#include <gtest/gtest.h>

#include <QImage>

#include <cstring>
#include <vector>

#include "Bitmap.h"

namespace {

TEST(BitmapTest, NewBitmapHasTheFormatsLayout) {
    struct Case {
        TPixelFormat Format;
        bool StraightAlpha;
        QImage::Format QtFormat;
        int Depth;
    };
    const std::vector<Case> cases = {
        {TPixelFormat::Grey8, false, QImage::Format_Indexed8, 8},
        {TPixelFormat::Bgr24, false, QImage::Format_BGR888, 24},
        {TPixelFormat::Bgra32, false, QImage::Format_RGB32, 32},
        {TPixelFormat::Bgra32, true, QImage::Format_ARGB32, 32},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Depth);
        const QImage bitmap = NewBitmap(5, 3, c.Format, c.StraightAlpha);
        ASSERT_EQ(bitmap.size(), QSize(5, 3));
        EXPECT_EQ(bitmap.format(), c.QtFormat);
        EXPECT_EQ(bitmap.depth(), c.Depth);
        EXPECT_EQ(PixelFormatOf(bitmap), c.Format);
        EXPECT_EQ(HasStraightAlpha(bitmap), c.StraightAlpha);
    }
    const QList<QRgb> palette = NewBitmap(1, 1, TPixelFormat::Grey8).colorTable();
    ASSERT_EQ(palette.size(), 256);
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(palette[i], qRgb(i, i, i)) << i;
    }
    EXPECT_TRUE(NewBitmap(0, 3, TPixelFormat::Bgr24).isNull());
    EXPECT_TRUE(NewBitmap(3, -1, TPixelFormat::Bgra32).isNull());
    EXPECT_EQ(PixelFormatOf(QImage(2, 2, QImage::Format_ARGB32_Premultiplied)), std::nullopt);
    EXPECT_EQ(PixelFormatOf(QImage()), std::nullopt);
}

// Two pixels in each source layout, written byte by byte, and the bytes (blue, green, red, alpha) the
// working picture must hold for them.
TEST(BitmapTest, AnyPictureBecomesA32BitWorkingPicture) {
    struct Case {
        const char* Name;
        QImage Source;
        QImage::Format Expected;
        std::vector<uchar> Bytes;
    };
    QImage grey = NewBitmap(2, 1, TPixelFormat::Grey8);
    grey.scanLine(0)[0] = 0;
    grey.scanLine(0)[1] = 200;
    QImage bgr = NewBitmap(2, 1, TPixelFormat::Bgr24);
    const uchar bgrBytes[] = {1, 2, 3, 250, 251, 252};
    std::memcpy(bgr.scanLine(0), bgrBytes, sizeof bgrBytes);
    QImage palette(2, 1, QImage::Format_Indexed8);
    palette.setColorTable({qRgb(10, 20, 30), qRgba(40, 50, 60, 70)});
    palette.scanLine(0)[0] = 1;
    palette.scanLine(0)[1] = 0;
    QImage premultiplied(2, 1, QImage::Format_ARGB32_Premultiplied);
    premultiplied.setPixel(0, 0, qRgba(0x33, 0x11, 0x22, 0x33));  // 255, 85, 170 unpremultiplied
    premultiplied.setPixel(1, 0, qRgba(0, 0, 0, 0));
    QImage straight = NewBitmap(2, 1, TPixelFormat::Bgra32, true);
    const uchar straightBytes[] = {1, 2, 3, 4, 5, 6, 7, 0};
    std::memcpy(straight.scanLine(0), straightBytes, sizeof straightBytes);

    const std::vector<Case> cases = {
        {"grey", grey, QImage::Format_RGB32, {0, 0, 0, 255, 200, 200, 200, 255}},
        {"bgr", bgr, QImage::Format_RGB32, {1, 2, 3, 255, 250, 251, 252, 255}},
        {"colour palette with alpha", palette, QImage::Format_ARGB32, {60, 50, 40, 70, 30, 20, 10, 255}},
        {"premultiplied", premultiplied, QImage::Format_ARGB32, {170, 85, 255, 0x33, 0, 0, 0, 0}},
        {"straight alpha kept", straight, QImage::Format_ARGB32, {1, 2, 3, 4, 5, 6, 7, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const QImage working = ToWorkingPicture(c.Source);
        ASSERT_EQ(working.size(), QSize(2, 1));
        EXPECT_EQ(working.format(), c.Expected);
        EXPECT_EQ(std::vector<uchar>(working.constScanLine(0), working.constScanLine(0) + 8), c.Bytes);
    }
    // A working picture passes through without a copy; a null one stays null.
    EXPECT_EQ(ToWorkingPicture(straight).constBits(), straight.constBits());
    EXPECT_TRUE(ToWorkingPicture(QImage()).isNull());
}

}  // namespace

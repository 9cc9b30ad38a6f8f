#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

#include <thread>
#include <vector>

#include "JpegReader.h"

namespace {

QByteArray Saved(const QImage& image, const char* format = "JPG") {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, 95);
    return bytes;
}

QImage Filled(int width, int height, QColor color, QImage::Format format = QImage::Format_RGB32) {
    QImage image(width, height, format);
    image.fill(color);
    return image;
}

TEST(JpegReaderTest, DecodesAtFullSizeInto32Bits) {
    const struct {
        const char* Name;
        QImage Source;
        QColor Expected;
    } cases[] = {
        {"colour", Filled(64, 48, QColor(200, 40, 10)), QColor(200, 40, 10)},
        {"odd size", Filled(7, 3, Qt::blue), Qt::blue},
        {"grey", Filled(33, 17, QColor(128, 128, 128), QImage::Format_Grayscale8), QColor(128, 128, 128)},
    };
    for (const auto& c : cases) {
        const QImage decoded = DecodeJpeg(Saved(c.Source));
        ASSERT_FALSE(decoded.isNull()) << c.Name;
        EXPECT_EQ(decoded.size(), c.Source.size()) << c.Name;
        EXPECT_EQ(decoded.format(), QImage::Format_RGB32) << c.Name;
        const QRgb pixel = decoded.pixel(decoded.width() / 2, decoded.height() / 2);
        EXPECT_EQ(qAlpha(pixel), 255) << c.Name;
        EXPECT_NEAR(qRed(pixel), c.Expected.red(), 6) << c.Name;
        EXPECT_NEAR(qGreen(pixel), c.Expected.green(), 6) << c.Name;
        EXPECT_NEAR(qBlue(pixel), c.Expected.blue(), 6) << c.Name;
    }
}

TEST(JpegReaderTest, GivesANullImageForBytesThatAreNoJpeg) {
    const QByteArray jpeg = Saved(Filled(64, 48, Qt::red));
    QByteArray wrongMarkers = jpeg;
    wrongMarkers.replace(0, 2, "\xFF\xD9");
    // The frame header declares 20000 x 20000 pixels: more than the bound.
    QByteArray huge = jpeg;
    const qsizetype frameHeader = huge.indexOf("\xFF\xC0");
    ASSERT_GT(frameHeader, 0);
    huge.replace(frameHeader + 5, 4, QByteArray("\x4E\x20\x4E\x20", 4));
    const struct {
        const char* Name;
        QByteArray Bytes;
    } cases[] = {
        {"empty", {}},
        {"text", "this is not a picture"},
        {"PNG", Saved(Filled(8, 8, Qt::red), "PNG")},
        {"start of image only", jpeg.left(2)},
        {"header cut", jpeg.left(30)},
        {"wrong first marker", wrongMarkers},
        {"too many pixels", huge},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(DecodeJpeg(c.Bytes).isNull()) << c.Name;
    }
}

TEST(JpegReaderTest, RefusesAPictureLargerThanAskedFromItsHeader) {
    const QByteArray jpeg = Saved(Filled(64, 48, Qt::red));
    const struct {
        QSize Largest;
        bool Decoded;
    } cases[] = {
        {QSize(), true},        {QSize(64, 48), true},  {QSize(1024, 1024), true},
        {QSize(63, 48), false}, {QSize(64, 47), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DecodeJpeg(jpeg, c.Largest).isNull(), !c.Decoded)
            << c.Largest.width() << "x" << c.Largest.height();
    }
}

TEST(JpegReaderTest, DecodesFromSeveralThreadsAtOnce) {
    const QByteArray jpeg = Saved(Filled(320, 240, Qt::green));
    const QImage expected = DecodeJpeg(jpeg);
    std::vector<QImage> results(4);
    std::vector<std::thread> threads;
    for (QImage& result : results) {
        threads.emplace_back([&] {
            for (int i = 0; i < 10; ++i) {
                result = DecodeJpeg(jpeg);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (const QImage& result : results) {
        EXPECT_EQ(result, expected);
    }
}

}  // namespace

#include <gtest/gtest.h>

#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "CameraPicture.h"
#include "JpegReader.h"
#include "TurboJpegFiles.h"

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

// A progressive file may have as many scans as its size allows: the ten or so of an ordinary encoder,
// not the thousands of a file made to keep the decoder busy.
TEST(JpegReaderTest, RefusesAFileWithMoreScansThanItsSizeAllows) {
    EXPECT_EQ(JpegScanLimit(6000, 4000), MaxJpegScans);
    EXPECT_EQ(JpegScanLimit(16384, 16384), 16);  // a larger picture is allowed fewer
    EXPECT_EQ(JpegScanLimit(65535, 65535), 1);

    const QByteArray progressive = picturetest::ScanBomb(256, 256, 0);
    ASSERT_FALSE(progressive.isEmpty());
    EXPECT_FALSE(DecodeJpeg(progressive).isNull());
    EXPECT_FALSE(DecodeJpeg(picturetest::ScanBomb(256, 256, 60)).isNull());
    const QByteArray bomb = picturetest::ScanBomb(256, 256, 5000);
    EXPECT_TRUE(DecodeJpeg(bomb).isNull());
    int told = 0;
    EXPECT_TRUE(DecodeJpeg(bomb, QSize(), [&](const QImage&, int) { ++told; }).isNull());
    EXPECT_EQ(told, 0);
}

// At the program's close every JPEG decode gives up within a few rows, a large scan bomb's too, and none
// starts any more. (In a process of its own: nothing decodes there after.)
TEST(JpegReaderDeathTest, TheCloseAbandonsEveryDecode) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const QByteArray bomb = picturetest::ScanBomb(4096, 4096, 5000);
            QImage decoded(1, 1, QImage::Format_RGB32);
            std::thread decoding([&] { decoded = DecodeJpeg(bomb); });
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            QElapsedTimer clock;
            clock.start();
            AbandonJpegDecodes();
            decoding.join();
            const bool given = clock.elapsed() < 200 && decoded.isNull();
            std::exit(given && DecodeJpeg(picturetest::ScanBomb(16, 16, 0)).isNull() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
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

// Decoded in bands, as the show decodes, a file gives the pixels of the whole decode, and every band is
// told in order, the last one with all the rows: for every chroma subsampling, a progressive file, a
// grey one, a YCCK one (turned into colours at the end) and one cut short, which libjpeg still decodes
// whole.
TEST(JpegReaderTest, DecodingInBandsGivesTheWholeDecodesPixels) {
    const QImage photo = testsupport::CameraLikePicture(613, 411, 2);
    const QByteArray bgrx(reinterpret_cast<const char*>(photo.constBits()), photo.sizeInBytes());
    const QByteArray progressive =
        picturetest::TurboJpeg(bgrx, 613, 411, TJPF_BGRX, TJSAMP_420, TJFLAG_PROGRESSIVE);
    const struct {
        const char* Name;
        QByteArray Bytes;
    } cases[] = {
        {"4:2:0", picturetest::TurboJpeg(bgrx, 613, 411, TJPF_BGRX, TJSAMP_420)},
        {"4:2:2", picturetest::TurboJpeg(bgrx, 613, 411, TJPF_BGRX, TJSAMP_422)},
        {"4:4:4", picturetest::TurboJpeg(bgrx, 613, 411, TJPF_BGRX, TJSAMP_444)},
        {"4:4:0", picturetest::TurboJpeg(bgrx, 613, 411, TJPF_BGRX, TJSAMP_440)},
        {"grey", picturetest::TurboJpeg(bgrx, 613, 411, TJPF_BGRX, TJSAMP_GRAY)},
        {"progressive", progressive},
        {"cut short", progressive.left(progressive.size() * 2 / 3)},
        {"YCCK", picturetest::YcckJpeg(picturetest::Inks(61, 43), 61, 43)},
        {"Qt's writer", Saved(photo)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        ASSERT_FALSE(c.Bytes.isEmpty());
        const QImage whole = DecodeJpeg(c.Bytes);
        ASSERT_FALSE(whole.isNull());
        std::vector<int> told;
        const uchar* seen = nullptr;
        const QImage banded = DecodeJpeg(c.Bytes, QSize(), [&](const QImage& picture, int rows) {
            told.push_back(rows);
            seen = picture.constBits();
        });
        EXPECT_EQ(banded, whole);
        ASSERT_FALSE(told.empty());
        EXPECT_TRUE(std::is_sorted(told.begin(), told.end()) &&
                    std::adjacent_find(told.begin(), told.end()) == told.end());
        EXPECT_EQ(told.back(), whole.height());
        EXPECT_EQ(seen, banded.constBits()) << "the rows told are those of the picture returned";
    }
    int calls = 0;
    EXPECT_TRUE(DecodeJpeg("no picture", QSize(), [&](const QImage&, int) { ++calls; }).isNull());
    EXPECT_TRUE(DecodeJpeg(cases[0].Bytes, QSize(100, 100), [&](const QImage&, int) { ++calls; }).isNull());
    EXPECT_EQ(calls, 0);
}

}  // namespace

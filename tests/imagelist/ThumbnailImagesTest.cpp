#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>
#include <QRandomGenerator>

#include "ThumbnailImages.h"

namespace {

constexpr qint64 ImageBytes = 160 * 120 * 4;

QPixmap Solid(QColor colour) {
    QImage image(TThumbnailImages::ImageSize, QImage::Format_RGB32);
    image.fill(colour);
    return QPixmap::fromImage(image);
}

// A thumbnail of a photograph: fine detail everywhere, so that its JPEG is not trivially small.
QPixmap Noisy(quint32 seed) {
    QImage image(TThumbnailImages::ImageSize, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int base = (x + y + int(seed) * 7) % 200;
            line[x] = qRgb(base + random.bounded(40), base / 2 + random.bounded(40), 200 - base);
        }
    }
    return QPixmap::fromImage(image);
}

bool Near(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) <= 4 && std::abs(a.green() - b.green()) <= 4 &&
           std::abs(a.blue() - b.blue()) <= 4;
}

TEST(ThumbnailImagesTest, TheLeastRecentlyUsedArePackedAndComeBackWhenAskedFor) {
    TThumbnailImages images(100 * ImageBytes, 3 * ImageBytes);
    const QList<QColor> colours{Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::cyan};
    for (const QColor& colour : colours) {
        images.Add(Solid(colour));
    }
    EXPECT_EQ(images.ReadyCount(), 3);
    EXPECT_EQ(images.ReadyBytes(), 3 * ImageBytes);
    EXPECT_GT(images.PackedBytes(), 0);
    EXPECT_LT(images.PackedBytes(), ImageBytes / 10);  // two solid pictures pack into almost nothing

    // Every image is at hand, the packed ones unpacked on the way, and asking for one keeps it ready.
    for (int i = 0; i < colours.size(); ++i) {
        EXPECT_TRUE(images.AtHand(i));
        const QPixmap image = images.At(i);
        ASSERT_EQ(image.size(), TThumbnailImages::ImageSize);
        EXPECT_TRUE(Near(image.toImage().pixelColor(80, 60), colours[i])) << i;
    }
    EXPECT_EQ(images.ReadyCount(), 3);
    images.At(2);  // 2 is used after 3 and 4: 3 is the next to be packed
    images.Add(Solid(Qt::black));
    const QPixmap two = images.At(2);
    EXPECT_EQ(images.At(2).cacheKey(), two.cacheKey());  // still ready: the same pixmap
    EXPECT_TRUE(images.TakeWanted().empty());
}

TEST(ThumbnailImagesTest, BeyondTheBudgetImagesAreGivenUpAndAskedForAgain) {
    // Room for two ready images and about four packed photographs' thumbnails.
    const qint64 packedRoom = 4 * qint64(Noisy(1).toImage().sizeInBytes() / 5);
    TThumbnailImages images(2 * ImageBytes + packedRoom, 2 * ImageBytes);
    int calls = 0;
    images.WantedChanged = [&] { ++calls; };
    const QPixmap placeholder = Solid(Qt::gray);
    images.SetPlaceholder(placeholder);
    for (quint32 i = 0; i < 40; ++i) {
        images.Add(Noisy(i), QStringLiteral("/p/%1.jpg").arg(i));
        EXPECT_LE(images.ReadyBytes() + images.PackedBytes(), 2 * ImageBytes + packedRoom);
    }
    EXPECT_TRUE(images.AtHand(39));
    ASSERT_FALSE(images.AtHand(0));
    EXPECT_TRUE(images.GivenUp(0));
    EXPECT_EQ(images.Source(0), QStringLiteral("/p/0.jpg"));

    // Looking at given-up images shows the placeholder and makes them wanted, once each; the owner is
    // told once.
    EXPECT_EQ(images.At(0).cacheKey(), placeholder.cacheKey());
    images.At(5);
    images.At(0);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(images.TakeWanted(), (std::vector<int>{0, 5}));  // the latest ask first
    EXPECT_TRUE(images.TakeWanted().empty());
    images.At(5);
    EXPECT_EQ(calls, 2);

    // Being made again, an image is no longer given up; once it is back it is ready.
    images.Await(0);
    EXPECT_FALSE(images.GivenUp(0));
    images.Replace(0, Noisy(0));
    EXPECT_TRUE(images.AtHand(0));
    EXPECT_EQ(images.ReadyCount(), 2);
}

TEST(ThumbnailImagesTest, PlaceholdersCostNothingAndClearStartsAgain) {
    TThumbnailImages images(4 * ImageBytes, 2 * ImageBytes);
    const QPixmap placeholder = Solid(Qt::gray);
    for (int i = 0; i < 10000; ++i) {
        images.AddPlaceholder(placeholder);
    }
    EXPECT_EQ(images.ReadyBytes() + images.PackedBytes(), 0);
    EXPECT_FALSE(images.GivenUp(9999));  // not made yet: its rendering is on its way
    EXPECT_EQ(images.At(9999).cacheKey(), placeholder.cacheKey());
    images.Replace(9999, Solid(Qt::red));
    EXPECT_EQ(images.ReadyBytes(), ImageBytes);

    images.Clear();
    EXPECT_EQ(images.Count(), 0);
    EXPECT_EQ(images.ReadyBytes() + images.PackedBytes(), 0);
    EXPECT_TRUE(images.TakeWanted().empty());
    EXPECT_TRUE(images.At(0).isNull());  // no such index
    EXPECT_EQ(images.Add(Solid(Qt::blue)), 0);
}

}  // namespace

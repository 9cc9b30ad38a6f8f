#include <gtest/gtest.h>

#include <QBuffer>
#include <QRandomGenerator>

#include <vector>

#include "Jpeg2000Bitmap.h"
#include "Jpeg2000Maker.h"

using j2ktest::TChannel;
using j2ktest::TComponent;

namespace {

QImage Decoded(const QByteArray& file) {
    QByteArray bytes = file;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    TJpeg2000Bitmap bitmap;
    bitmap.LoadFromStream(buffer);
    return bitmap.Image();
}

std::vector<int> PictureBytes(const QImage& picture) {
    std::vector<int> bytes;
    const int rowBytes = picture.width() * picture.depth() / 8;
    for (int y = 0; y < picture.height(); ++y) {
        bytes.insert(bytes.end(), picture.constScanLine(y), picture.constScanLine(y) + rowBytes);
    }
    return bytes;
}

QByteArray Jp2(int width, int height, const std::vector<TComponent>& components, int colourSpace,
               const std::vector<TChannel>& channels = {}) {
    return j2ktest::Jp2File(j2ktest::CodeStream(width, height, components), width, height, components[0],
                            int(components.size()), colourSpace, channels);
}

TComponent Samples(std::vector<int> samples) {
    return {std::move(samples)};
}

// A 5 x 3 picture: component 0 at full size (10 y + x), components 1 and 2 subsampled 2 x 2 (3 x 2
// samples each, 100 + 10 i + j and 200 + 10 i + j).
std::vector<TComponent> SubsampledAtOddSize() {
    TComponent chromaBlue{{100, 101, 102, 110, 111, 112}, 8, false, 2, 2};
    TComponent chromaRed{{200, 201, 202, 210, 211, 212}, 8, false, 2, 2};
    return {Samples({0, 1, 2, 3, 4, 10, 11, 12, 13, 14, 20, 21, 22, 23, 24}), chromaBlue, chromaRed};
}

struct TDecodeCase {
    const char* Name;
    QByteArray File;
    QImage::Format Format;
    int Width;
    int Height;
    std::vector<int> Bytes;  // the picture's bytes row by row, without row padding
};

TEST(Jpeg2000BitmapTest, PlacesComponentsByRoleAndConvertsSamples) {
    const TComponent signed12{{-2048, 0, 2047}, 12, true};
    const TDecodeCase cases[] = {
        {"JP2 RGB without channel definitions: first red, third blue",
         Jp2(2, 1, {Samples({10, 11}), Samples({20, 21}), Samples({30, 31})}, 16),
         QImage::Format_BGR888,
         2,
         1,
         {30, 20, 10, 31, 21, 11}},
        {"JP2 with colours defined in reverse order",
         Jp2(1, 1, {Samples({30}), Samples({20}), Samples({10})}, 16, {{0, 0, 3}, {1, 0, 2}, {2, 0, 1}}),
         QImage::Format_BGR888,
         1,
         1,
         {30, 20, 10}},
        {"JP2 with opacity defined first",
         Jp2(1, 1, {Samples({200}), Samples({10}), Samples({20}), Samples({30})}, 16,
             {{0, 1, 0}, {1, 0, 1}, {2, 0, 2}, {3, 0, 3}}),
         QImage::Format_ARGB32,
         1,
         1,
         {30, 20, 10, 200}},
        {"opacity in a three-component picture is left out",
         Jp2(1, 1, {Samples({99}), Samples({10}), Samples({20})}, 16, {{0, 1, 0}, {1, 0, 1}, {2, 0, 2}}),
         QImage::Format_BGR888,
         1,
         1,
         {0, 20, 10}},
        {"sYCC converted to RGB",
         Jp2(1, 1, {Samples({128}), Samples({128}), Samples({255})}, 18, {{0, 0, 1}, {1, 0, 2}, {2, 0, 3}}),
         QImage::Format_BGR888,
         1,
         1,
         {128, 37, 255}},
        {"greyscale JP2 with a luma definition",
         Jp2(2, 1, {Samples({77, 78})}, 17, {{0, 0, 1}}),
         QImage::Format_Indexed8,
         2,
         1,
         {77, 78}},
        {"bare code stream of four components: red, green, blue, opacity",
         j2ktest::CodeStream(1, 1, {Samples({10}), Samples({20}), Samples({30}), Samples({40})}),
         QImage::Format_ARGB32,
         1,
         1,
         {30, 20, 10, 40}},
        {"16-bit samples scaled",
         j2ktest::CodeStream(3, 1, {{{65535, 32768, 0}, 16}}),
         QImage::Format_Indexed8,
         3,
         1,
         {255, 127, 0}},
        {"signed 8-bit samples shifted",
         j2ktest::CodeStream(3, 1, {{{-128, 0, 127}, 8, true}}),
         QImage::Format_Indexed8,
         3,
         1,
         {0, 128, 255}},
        {"signed 12-bit samples shifted and scaled",
         j2ktest::CodeStream(3, 1, {signed12}),
         QImage::Format_Indexed8,
         3,
         1,
         {0, 127, 255}},
        {"2 x 2 subsampling at an odd size",
         j2ktest::CodeStream(5, 3, SubsampledAtOddSize()),
         QImage::Format_BGR888,
         5,
         3,
         {200, 100, 0,  200, 100, 1,  201, 101, 2,  201, 101, 3,  202, 102, 4,   //
          200, 100, 10, 200, 100, 11, 201, 101, 12, 201, 101, 13, 202, 102, 14,  //
          210, 110, 20, 210, 110, 21, 211, 111, 22, 211, 111, 23, 212, 112, 24}},
        {"two components give grey from the first",
         j2ktest::CodeStream(2, 1, {Samples({5, 6}), Samples({250, 251})}),
         QImage::Format_Indexed8,
         2,
         1,
         {5, 6}},
        {"five components give grey from the first",
         j2ktest::CodeStream(1, 1, {Samples({1}), Samples({2}), Samples({3}), Samples({4}), Samples({5})}),
         QImage::Format_Indexed8,
         1,
         1,
         {1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        ASSERT_FALSE(c.File.isEmpty());
        const QImage picture = Decoded(c.File);
        EXPECT_EQ(picture.format(), c.Format);
        EXPECT_EQ(picture.size(), QSize(c.Width, c.Height));
        EXPECT_EQ(PictureBytes(picture), c.Bytes);
        if (picture.format() == QImage::Format_Indexed8) {
            ASSERT_EQ(picture.colorCount(), 256);
            EXPECT_EQ(picture.color(200), qRgb(200, 200, 200));
        }
    }
}

TEST(Jpeg2000BitmapTest, DecodesFromTheStreamPositionAndStopsAfterTheConsumedBytes) {
    const QByteArray codeStream = j2ktest::CodeStream(2, 1, {Samples({1, 2})});
    const QByteArray jp2 = Jp2(2, 1, {Samples({3, 4})}, 17);
    const struct {
        const char* Name;
        QByteArray First;
        QByteArray Second;
    } cases[] = {{"code streams", codeStream, j2ktest::CodeStream(1, 1, {Samples({9})})},
                 {"JP2 files", jp2, codeStream}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const QByteArray other = "other data first";
        QByteArray bytes = other + c.First + c.Second;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        buffer.seek(other.size());
        TJpeg2000Bitmap first;
        first.LoadFromStream(buffer);
        EXPECT_EQ(buffer.pos(), other.size() + c.First.size());
        TJpeg2000Bitmap second;
        second.LoadFromStream(buffer);
        EXPECT_EQ(buffer.pos(), bytes.size());
        EXPECT_EQ(first.Image(), Decoded(c.First));
        EXPECT_EQ(second.Image(), Decoded(c.Second));
    }
}

TEST(Jpeg2000BitmapTest, RaisesItsMessagesForBadInput) {
    const QByteArray codeStream = j2ktest::CodeStream(4, 4, {Samples(std::vector<int>(16, 7))});
    // SIZ declares 65536 x 65536 pixels in one tile: Xsiz, Ysiz at bytes 8 and 12, XTsiz, YTsiz at 24, 28.
    QByteArray huge = codeStream;
    for (const int offset : {8, 12, 24, 28}) {
        huge.replace(offset, 4, j2ktest::U32(0x10000));
    }
    const struct {
        const char* Name;
        QByteArray File;
        const char* Message;
    } cases[] = {
        {"empty", QByteArray(), "Unknown JPEG 2000 file type"},
        {"seven bytes of a code stream", codeStream.left(7), "Unknown JPEG 2000 file type"},
        {"a PNG file", QByteArray("\x89PNG\r\n\x1A\n0000", 12), "Unknown JPEG 2000 file type"},
        {"JP2 signature and nothing else", QByteArray("\x00\x00\x00\x0C\x6A\x50\x20\x20\x0D\x0A\x87\x0A", 12),
         "JPEG 2000 image decoding failed"},
        {"code stream cut in its header", codeStream.left(30), "JPEG 2000 image decoding failed"},
        {"declared size beyond the limit", huge, "The picture is too large to load (65536 x 65536 pixels)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        try {
            Decoded(c.File);
            ADD_FAILURE() << "no error";
        } catch (const EJpeg2000Error& error) {
            EXPECT_EQ(error.Message, QString::fromLatin1(c.Message));
        }
    }
}

QImage RandomPicture(int width, int height, QImage::Format format) {
    QImage picture(width, height, format);
    QRandomGenerator random(width * 1000 + height);
    for (int y = 0; y < height; ++y) {
        uchar* row = picture.scanLine(y);
        for (qsizetype i = 0; i < picture.bytesPerLine(); ++i) {
            row[i] = uchar(random.bounded(256));
        }
    }
    if (format == QImage::Format_Indexed8) {
        for (int i = 0; i < 256; ++i) {
            picture.setColor(i, qRgb(i, i, i));
        }
    }
    return picture;
}

QByteArray Saved(const TJpeg2000Bitmap& bitmap) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    bitmap.SaveToStream(buffer);
    return bytes;
}

TEST(Jpeg2000BitmapTest, LosslessSaveThenLoadGivesTheSamePixels) {
    const struct {
        const char* Name;
        QImage Picture;
        QImage::Format Loaded;
    } cases[] = {
        {"32 bits with straight alpha", RandomPicture(37, 23, QImage::Format_ARGB32), QImage::Format_ARGB32},
        {"24 bits, smaller than six resolution levels", RandomPicture(7, 5, QImage::Format_BGR888),
         QImage::Format_BGR888},
        {"opaque 32 bits", RandomPicture(40, 33, QImage::Format_RGB32), QImage::Format_ARGB32},
        {"8 bits grey, saved as 24 bits", RandomPicture(33, 40, QImage::Format_Indexed8),
         QImage::Format_BGR888},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TJpeg2000Bitmap bitmap;
        bitmap.Lossless = true;
        bitmap.Assign(c.Picture);
        const QByteArray file = Saved(bitmap);
        ASSERT_TRUE(file.startsWith(QByteArray("\x00\x00\x00\x0C\x6A\x50\x20\x20", 8)));
        const QImage loaded = Decoded(file);
        EXPECT_EQ(loaded.format(), c.Loaded);
        EXPECT_EQ(loaded, c.Picture.convertToFormat(c.Loaded));
    }
}

TEST(Jpeg2000BitmapTest, LossySaveAimsAtTheRateOfItsQuality) {
    const auto rate = [](float samples, float bytesPerSample, float components) {
        return samples / (samples * bytesPerSample + 550.0f + 142.0f * (components - 1));
    };
    EXPECT_FLOAT_EQ(Jpeg2000Rate(100, 100, 4, 80), 40000.0f / (40000.0f * 100.0f / 1225.0f + 976.0f));
    const struct {
        int Quality;
        float Expected;
    } cases[] = {
        {80, rate(30000, 100.0f / 1225, 3)},
        {0, rate(30000, 100.0f / 13225, 3)},
        {100, rate(30000, 100.0f / 225, 3)},
        {115, rate(30000, 100.0f / 225, 3)},  // clamped: the formula divides by zero at 115
        {255, rate(30000, 100.0f / 225, 3)},
    };
    for (const auto& c : cases) {
        EXPECT_FLOAT_EQ(Jpeg2000Rate(100, 100, 3, c.Quality), c.Expected) << c.Quality;
    }

    QImage gradient(100, 100, QImage::Format_ARGB32);
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 100; ++x) {
            gradient.setPixel(x, y, qRgba(x * 2, y * 2, (x + y) % 256, 255 - x));
        }
    }
    for (const int quality : {80, 115, 255}) {
        SCOPED_TRACE(quality);
        TJpeg2000Bitmap bitmap;
        bitmap.Quality = quint8(quality);
        bitmap.Assign(gradient);
        const QByteArray file = Saved(bitmap);
        EXPECT_LE(file.size(), 40000.0 / Jpeg2000Rate(100, 100, 4, quality) * 1.05);
        EXPECT_EQ(Decoded(file).size(), gradient.size());
    }
}

TEST(Jpeg2000BitmapTest, SavingAnEmptyBitmapRaises) {
    try {
        Saved(TJpeg2000Bitmap());
        ADD_FAILURE() << "no error";
    } catch (const EJpeg2000Error& error) {
        EXPECT_EQ(error.Message, "Failed to create JPEG 2000 image struct for saving");
    }
}

}  // namespace

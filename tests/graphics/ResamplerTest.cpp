#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "Bitmap.h"
#include "CameraPicture.h"
#include "PeakMemory.h"
#include "Pillow.h"
#include "PixelCompare.h"
#include "ResamplePasses.h"
#include "Resampler.h"

namespace {

QImage Filled(int width, int height, QRgb colour, QImage::Format format = QImage::Format_ARGB32) {
    QImage picture(width, height, format);
    picture.fill(colour);
    return picture;
}

QImage Noise(int width, int height, quint32 seed) {
    QImage picture(width, height, QImage::Format_ARGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x) {
            line[x] = random.generate();
        }
    }
    return picture;
}

// The blue bytes of one row.
std::vector<int> BlueRow(const QImage& picture, int y) {
    std::vector<int> row;
    for (int x = 0; x < picture.width(); ++x) {
        row.push_back(qBlue(picture.pixel(x, y)));
    }
    return row;
}

TEST(ResamplerTest, KernelValues) {
    EXPECT_DOUBLE_EQ(LanczosKernel(0.0), 1.0);
    EXPECT_NEAR(LanczosKernel(0.5), 0.6079271, 1e-7);  // sinc(1/2) * sinc(1/6)
    EXPECT_NEAR(LanczosKernel(-0.5), 0.6079271, 1e-7);
    for (double zero : {1.0, 2.0, -2.0, 3.0, 4.5}) {
        EXPECT_NEAR(LanczosKernel(zero), 0.0, 1e-12) << zero;
    }
    EXPECT_LT(LanczosKernel(1.5), 0.0);  // the first negative lobe
}

TEST(ResamplerTest, ConstantPictureStaysConstant) {
    const QRgb colour = qRgba(0x10, 0xC0, 0xFF, 0x80);
    const std::vector<std::pair<QSize, QSize>> cases = {
        {{97, 61}, {13, 7}}, {{5, 3}, {17, 11}}, {{40, 10}, {7, 30}},
        {{1, 1}, {5, 4}},    {{6, 1}, {1, 1}},   {{1200, 900}, {333, 250}},  // split over cores
    };
    for (const auto& [from, to] : cases) {
        SCOPED_TRACE(testing::PrintToString(from));
        SCOPED_TRACE(testing::PrintToString(to));
        const QImage result =
            ResampleLanczos(Filled(from.width(), from.height(), colour), to.width(), to.height());
        ASSERT_EQ(result.size(), to);
        EXPECT_EQ(result.format(), QImage::Format_ARGB32);
        for (int y = 0; y < result.height(); ++y) {
            for (int x = 0; x < result.width(); ++x) {
                ASSERT_EQ(result.pixel(x, y), colour) << x << "," << y;
            }
        }
    }
}

TEST(ResamplerTest, SameSizeIsAnExactCopyAndOddEnlargementKeepsTheSamples) {
    const QImage source = Noise(23, 17, 7);
    EXPECT_EQ(ResampleLanczos(source, 23, 17), source);

    // Enlarged three times, every third pixel sits on a source pixel's centre, where the kernel is 1
    // and all its other taps fall on its zeros.
    const QImage large = ResampleLanczos(source, 69, 51);
    ASSERT_EQ(large.size(), QSize(69, 51));
    for (int y = 0; y < source.height(); ++y) {
        for (int x = 0; x < source.width(); ++x) {
            ASSERT_EQ(large.pixel(3 * x + 1, 3 * y + 1), source.pixel(x, y)) << x << "," << y;
        }
    }
}

TEST(ResamplerTest, ImpulseResponse) {
    // Enlarging a white pixel on black by 3: the kernel's main lobe and its clamped negative lobes,
    // 255 * L((i + 0.5) / 3 - 3.5) normalised over each output pixel's taps.
    QImage row = Filled(7, 1, qRgb(0, 0, 0), QImage::Format_RGB32);
    row.setPixel(3, 0, qRgb(255, 255, 255));
    EXPECT_EQ(BlueRow(ResampleLanczos(row, 21, 1), 0),
              (std::vector<int>{0, 0, 3, 7, 0, 0, 0, 0, 98, 208, 255, 208, 98, 0, 0, 0, 0, 7, 3, 0, 0}));

    // Reducing 9 x 9 to 3 x 3: the kernel widened to radius 9 puts its zeros on the neighbours'
    // centres; the middle keeps 255 / sum of L((j - 4) / 3) = 82.51 per side, so 83, then 83 * 82.51 / 255.
    QImage square = Filled(9, 9, qRgb(0, 0, 0), QImage::Format_RGB32);
    square.setPixel(4, 4, qRgb(255, 255, 255));
    const QImage reduced = ResampleLanczos(square, 3, 3);
    EXPECT_EQ(reduced.format(), QImage::Format_RGB32);
    EXPECT_EQ(BlueRow(reduced, 0), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(BlueRow(reduced, 1), (std::vector<int>{0, 27, 0}));
    EXPECT_EQ(BlueRow(reduced, 2), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(qAlpha(reduced.pixel(1, 1)), 255);
}

TEST(ResamplerTest, InputsOfEveryFormatAndNothingToResample) {
    QImage grey = NewBitmap(4, 4, TPixelFormat::Grey8);
    grey.fill(90);
    const QImage result = ResampleLanczos(grey, 2, 2);
    EXPECT_EQ(result.format(), QImage::Format_RGB32);
    EXPECT_EQ(result.pixel(1, 1), qRgb(90, 90, 90));
    EXPECT_TRUE(ResampleLanczos(QImage(), 5, 5).isNull());
    EXPECT_TRUE(ResampleLanczos(grey, 0, 5).isNull());
    EXPECT_TRUE(ResampleLanczos(grey, 5, -1).isNull());
}

// A photograph-like picture: a sky gradient, soft hills, sharp-edged objects with fine detail, text and
// a little sensor noise, so that both smooth areas and hard edges are compared.
QImage NaturalPicture(int width, int height) {
    QImage picture(width, height, QImage::Format_RGB32);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0, QColor(40, 90, 170));
    sky.setColorAt(0.6, QColor(200, 220, 240));
    sky.setColorAt(1, QColor(60, 120, 40));
    painter.fillRect(picture.rect(), sky);
    QRandomGenerator random(42);
    for (int i = 0; i < 60; ++i) {
        const QColor colour =
            QColor::fromHsv(random.bounded(360), 80 + random.bounded(175), 60 + random.bounded(195));
        painter.setBrush(colour);
        painter.setPen(QPen(colour.darker(150), 1 + random.bounded(4)));
        const int x = random.bounded(width), y = random.bounded(height), size = 5 + random.bounded(width / 6);
        if (i % 3 == 0) {
            painter.drawEllipse(x, y, size, size * 2 / 3);
        } else {
            painter.drawRect(x, y, size, size / 2);
        }
    }
    painter.setPen(Qt::black);
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 14));
    painter.drawText(20, height - 20, QStringLiteral("Orvalis 2024 - harbour at dusk"));
    painter.end();
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int n = int(random.bounded(9)) - 4;
            line[x] = qRgb(std::clamp(qRed(line[x]) + n, 0, 255), std::clamp(qGreen(line[x]) + n, 0, 255),
                           std::clamp(qBlue(line[x]) + n, 0, 255));
        }
    }
    return picture;
}

TEST(ResamplerTest, WeightTablesFollowTheTargetNotTheSource) {
    struct Case {
        int Source, Target;
        bool Boxed;
    };
    const std::vector<Case> cases = {
        {6000, 1620, false},   {16384, 160, false},     {300, 1000, false},   {170000, 1920, false},
        {4000000, 1920, true}, {100000000, 1920, true}, {268435456, 1, true}, {268435456, 20000, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Source << " -> " << c.Target);
        const TLanczosTaps taps = LanczosTaps(c.Source, c.Target);
        ASSERT_EQ(taps.First.size(), size_t(c.Target));
        ASSERT_EQ(taps.Weights.size(), size_t(c.Target) * taps.Stride);
        EXPECT_EQ(taps.Box > 1, c.Boxed);
        // The plain kernel's table wherever it fits the budget; else a bounded one, never one that
        // grows with the source.
        const double scale = double(c.Source) / c.Target;
        if (!c.Boxed) {
            EXPECT_EQ(taps.Stride, int(std::ceil(3 * std::max(scale, 1.0))) * 2 + 2);
        }
        EXPECT_LE(taps.Weights.size(), std::max(LanczosWeightBudget, size_t(c.Target) * 100));
        // The kernel stays at least 16 boxes wide, so the boxes change nothing that can be seen.
        EXPECT_GE(scale / taps.Box, std::min(scale, 16.0));
        for (int i = 0; i < c.Target; i += std::max(1, c.Target / 7)) {
            float sum = 0;
            for (int k = 0; k < taps.Count[i]; ++k) {
                sum += taps.Weights[size_t(i) * taps.Stride + k];
            }
            EXPECT_NEAR(sum, 1.0f, 1e-4f) << i;
            EXPECT_LE(int64_t(taps.First[i] + taps.Count[i]) * taps.Box, int64_t(c.Source) + taps.Box);
        }
    }
}

// The exact Lanczos value of target pixel `x` of one row scaled to `targetWidth`, in double precision.
double ExactLanczos(const std::vector<double>& row, int targetWidth, int x) {
    const double scale = double(row.size()) / targetWidth;
    const double centre = (x + 0.5) * scale;
    double sum = 0, weights = 0;
    for (int j = std::max(0, int(centre - 3 * scale) - 1);
         j < std::min(int(row.size()), int(centre + 3 * scale) + 2); ++j) {
        const double w = LanczosKernel((j + 0.5 - centre) / scale);
        sum += w * row[j];
        weights += w;
    }
    return sum / weights;
}

// A picture of 4,000,000 x 2 pixels fitted into 1920 x 1: the memory of the fit stays far below what
// tables of the source's width would take (about a gigabyte), and the pixels are those of the kernel.
TEST(ResamplerTest, AnExtremeShapeFitsInMemoryBoundedByTheTarget) {
    constexpr int Width = 4000000, TargetWidth = 1920;
    QImage source(Width, 2, QImage::Format_RGB32);
    std::vector<double> blue(Width);
    QRandomGenerator random(3);
    for (int y = 0; y < 2; ++y) {
        auto* line = reinterpret_cast<QRgb*>(source.scanLine(y));
        for (int x = 0; x < Width; ++x) {
            const int value = int(128 + 90 * std::sin(x / 40000.0)) + int(random.bounded(20)) - 10 + 8 * y;
            line[x] = qRgb(200, x % 256, value);
            blue[x] += value / 2.0;  // the height pass averages the two rows
        }
    }
    QImage result;
    const qint64 peak =
        testsupport::PeakResidentGrowth([&] { result = ResampleLanczos(source, TargetWidth, 1); });
    ASSERT_EQ(result.size(), QSize(TargetWidth, 1));
    if (peak >= 0) {
        EXPECT_LT(peak, qint64(96) << 20);
    }
    for (int x = 0; x < TargetWidth; x += 97) {
        const QRgb pixel = result.pixel(x, 0);
        EXPECT_EQ(qRed(pixel), 200) << x;
        EXPECT_NEAR(qGreen(pixel), 127.5, 1.5) << x;  // 0..255 over and over, far finer than a pixel
        EXPECT_NEAR(qBlue(pixel), ExactLanczos(blue, TargetWidth, x), 1.0) << x;
    }
}

// Resamples with the address space limited a little above what the process uses already, where the
// weight table of a ten-million-pixel-wide target cannot be had: 0 for a null picture, 1 for a picture,
// 2 for an exception.
int ResampleWithoutTheMemory(const QImage& source) {
    const rlim_t limit = rlim_t(testsupport::ProcessStatusKiB("VmSize:")) * 1024 + (rlim_t(256) << 20);
    rlimit space{};
    space.rlim_cur = limit;
    space.rlim_max = limit;
    setrlimit(RLIMIT_AS, &space);
    try {
        return ResampleLanczos(source, 10000000, 1).isNull() ? 0 : 1;
    } catch (...) {
        return 2;
    }
}

// Memory that is not there: the resampler gives a null picture and raises nothing (in a child process).
TEST(ResamplerDeathTest, MemoryThatIsNotThereGivesANullPicture) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers reserve address space of their own";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
    GTEST_SKIP() << "the sanitizers reserve address space of their own";
#endif
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const QImage source = Filled(2, 1, qRgb(1, 2, 3));
    EXPECT_EXIT(std::_Exit(ResampleWithoutTheMemory(source)), testing::ExitedWithCode(0), "");
}

TEST(ResamplerTest, MatchesPillowsLanczosOnAPhotographLikePicture) {
    const QString python = testsupport::PythonWithPillow();
    if (python.isEmpty()) {
        GTEST_SKIP() << "python3-pil is not installed";
    }
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QImage source = NaturalPicture(1200, 800);
    const QString input = dir.filePath(QStringLiteral("source.png"));
    ASSERT_TRUE(source.save(input));

    const std::vector<QSize> targets = {{400, 267}, {160, 107}, {1500, 300}, {2000, 1333}, {1199, 800}};
    for (const QSize& target : targets) {
        SCOPED_TRACE(testing::PrintToString(target));
        const QString output = dir.filePath(QStringLiteral("pillow.png"));
        QProcess pillow;
        pillow.start(
            python, {QStringLiteral("-c"),
                     QStringLiteral("import sys\nfrom PIL import Image\n"
                                    "Image.open(sys.argv[1]).convert('RGB').resize("
                                    "(int(sys.argv[3]), int(sys.argv[4])), Image.LANCZOS).save(sys.argv[2])"),
                     input, output, QString::number(target.width()), QString::number(target.height())});
        ASSERT_TRUE(pillow.waitForFinished(60000));
        ASSERT_EQ(pillow.exitCode(), 0) << pillow.readAllStandardError().toStdString();
        const QImage expected(output);
        const QImage ours = ResampleLanczos(source, target.width(), target.height());
        ASSERT_EQ(expected.size(), target);
        ASSERT_EQ(ours.size(), target);
        EXPECT_GE(testsupport::PsnrRgb(ours, expected), 40.0);
    }
}

// Each variant of the passes this processor runs gives the pixels of the best one: the same ones for the
// AVX2 and AVX-512 variants, and but for the last bit of a few roundings for the portable one, whose
// multiplies and adds are separate.
TEST(ResamplerTest, EveryVariantGivesTheSamePixels) {
    struct TBest {
        ~TBest() { UseResampleVariant(std::nullopt); }
    } best;
    const QImage photo = testsupport::CameraLikePicture(901, 603, 3);
    const std::vector<QSize> targets = {{300, 250}, {400, 150}, {1353, 905}, {17, 11}};
    for (const QSize& target : targets) {
        SCOPED_TRACE(testing::PrintToString(target));
        UseResampleVariant(std::nullopt);
        const QImage expected = ResampleLanczos(photo, target.width(), target.height());
        for (const TResampleVariant variant : ResampleVariantsHere()) {
            SCOPED_TRACE(int(variant));
            UseResampleVariant(variant);
            const QImage made = ResampleLanczos(photo, target.width(), target.height());
            if (variant == TResampleVariant::Portable) {
                EXPECT_LE(testsupport::MaxByteDifference(made, expected), 1);
                EXPECT_LE(testsupport::DifferingPixels(made, expected),
                          target.width() * target.height() / 100);
            } else {
                EXPECT_EQ(made, expected);
            }
        }
    }
}

}  // namespace

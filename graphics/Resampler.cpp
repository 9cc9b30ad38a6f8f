#include "Resampler.h"

#include <QtGlobal>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <system_error>
#include <thread>
#include <vector>

#include "Bitmap.h"

namespace {

constexpr double Radius = 3.0;

// Four floats, one per byte of a pixel: GCC and Clang turn these into one SIMD register each, which
// keeps the inner loops at a load, a multiply and an add per tap.
using TPixelF = float __attribute__((vector_size(16)));
using TPixelI = int __attribute__((vector_size(16)));
using TPixelB = unsigned char __attribute__((vector_size(4)));

TPixelF LoadPixel(const uchar* bytes) {
    TPixelB pixel;
    std::memcpy(&pixel, bytes, sizeof pixel);
    return __builtin_convertvector(pixel, TPixelF);
}

void StorePixel(uchar* bytes, TPixelF value) {
    const TPixelF zero = {0.0f, 0.0f, 0.0f, 0.0f};
    const TPixelF top = {255.0f, 255.0f, 255.0f, 255.0f};
    const TPixelF half = {0.5f, 0.5f, 0.5f, 0.5f};
    value += half;
    value = value < zero ? zero : value;
    value = value > top ? top : value;
    const TPixelB pixel = __builtin_convertvector(__builtin_convertvector(value, TPixelI), TPixelB);
    std::memcpy(bytes, &pixel, sizeof pixel);
}

// The taps of every output pixel along one side: source pixels First[i] .. First[i] + Count[i] - 1
// with weights Weights[i * Stride ..].
struct TTaps {
    std::vector<int> First;
    std::vector<int> Count;
    std::vector<float> Weights;
    int Stride = 0;
};

TTaps ComputeTaps(int sourceLength, int targetLength) {
    const double scale = double(sourceLength) / targetLength;
    const double widening = std::max(scale, 1.0);
    const double support = Radius * widening;
    TTaps taps;
    taps.Stride = int(std::ceil(support)) * 2 + 1;
    taps.First.resize(targetLength);
    taps.Count.resize(targetLength);
    taps.Weights.assign(size_t(targetLength) * taps.Stride, 0.0f);
    std::vector<double> weights(taps.Stride);
    for (int i = 0; i < targetLength; ++i) {
        const double centre = (i + 0.5) * scale;
        // Source pixel j covers [j, j + 1) and is sampled at its middle, j + 0.5.
        const int first = std::max(int(std::floor(centre - support - 0.5)) + 1, 0);
        const int last = std::min(int(std::ceil(centre + support - 0.5)) - 1, sourceLength - 1);
        int count = std::clamp(last - first + 1, 0, taps.Stride);
        double sum = 0.0;
        for (int k = 0; k < count; ++k) {
            weights[k] = LanczosKernel((first + k + 0.5 - centre) / widening);
            sum += weights[k];
        }
        if (count == 0 || sum == 0.0) {
            // Cannot happen for a kernel this wide, but a zero sum would turn the pixel black.
            weights[0] = 1.0;
            sum = 1.0;
            count = 1;
        }
        taps.First[i] = std::min(first, sourceLength - 1);
        taps.Count[i] = count;
        for (int k = 0; k < count; ++k) {
            taps.Weights[size_t(i) * taps.Stride + k] = float(weights[k] / sum);
        }
    }
    return taps;
}

// Runs job(first, end) over bands of [0, count), on as many cores as pay off for `work` multiply-adds.
template <typename Job>
void ForBands(int count, double work, const Job& job) {
    constexpr double WorkPerThread = 2.0e6;
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    const int threads = std::clamp(int(work / WorkPerThread), 1, std::min(cores, count));
    std::vector<std::thread> helpers;
    helpers.reserve(threads - 1);
    for (int t = 1; t < threads; ++t) {
        const int first = int(qint64(count) * t / threads);
        const int end = int(qint64(count) * (t + 1) / threads);
        try {
            helpers.emplace_back(job, first, end);
        } catch (const std::system_error&) {
            job(first, end);  // no thread to be had: do that band here
        }
    }
    job(0, int(qint64(count) / threads));
    for (std::thread& helper : helpers) {
        helper.join();
    }
}

// Resamples the rows [rowsFirst, rowsEnd) of `source` along x into `target` (same rows).
void ResampleRows(const QImage& source, QImage& target, const TTaps& taps, int rowsFirst, int rowsEnd) {
    const int sourceWidth = source.width();
    const int targetWidth = target.width();
    std::vector<TPixelF> line(sourceWidth);
    for (int y = rowsFirst; y < rowsEnd; ++y) {
        const uchar* in = source.constScanLine(y);
        for (int x = 0; x < sourceWidth; ++x) {
            line[x] = LoadPixel(in + 4 * x);
        }
        uchar* out = target.scanLine(y);
        for (int x = 0; x < targetWidth; ++x) {
            const float* weights = taps.Weights.data() + size_t(x) * taps.Stride;
            const TPixelF* pixels = line.data() + taps.First[x];
            TPixelF sum = {0.0f, 0.0f, 0.0f, 0.0f};
            for (int k = 0, count = taps.Count[x]; k < count; ++k) {
                sum += pixels[k] * weights[k];
            }
            StorePixel(out + 4 * x, sum);
        }
    }
}

// Resamples along y into the target rows [rowsFirst, rowsEnd).
void ResampleColumns(const QImage& source, QImage& target, const TTaps& taps, int rowsFirst, int rowsEnd) {
    const int width = target.width();
    std::vector<TPixelF> sums(width);
    for (int y = rowsFirst; y < rowsEnd; ++y) {
        std::fill(sums.begin(), sums.end(), TPixelF{0.0f, 0.0f, 0.0f, 0.0f});
        const float* weights = taps.Weights.data() + size_t(y) * taps.Stride;
        for (int k = 0, count = taps.Count[y]; k < count; ++k) {
            const uchar* in = source.constScanLine(taps.First[y] + k);
            const float weight = weights[k];
            for (int x = 0; x < width; ++x) {
                sums[x] += LoadPixel(in + 4 * x) * weight;
            }
        }
        uchar* out = target.scanLine(y);
        for (int x = 0; x < width; ++x) {
            StorePixel(out + 4 * x, sums[x]);
        }
    }
}

QImage ResampleWidth(const QImage& source, int width) {
    if (width == source.width()) {
        return source;
    }
    QImage target(width, source.height(), source.format());
    if (target.isNull()) {
        return target;
    }
    const TTaps taps = ComputeTaps(source.width(), width);
    const double work = double(width) * source.height() * taps.Stride;
    ForBands(source.height(), work,
             [&](int first, int end) { ResampleRows(source, target, taps, first, end); });
    return target;
}

QImage ResampleHeight(const QImage& source, int height) {
    if (height == source.height()) {
        return source;
    }
    QImage target(source.width(), height, source.format());
    if (target.isNull()) {
        return target;
    }
    const TTaps taps = ComputeTaps(source.height(), height);
    const double work = double(height) * source.width() * taps.Stride;
    ForBands(height, work, [&](int first, int end) { ResampleColumns(source, target, taps, first, end); });
    return target;
}

}  // namespace

double LanczosKernel(double x) {
    x = std::abs(x);
    if (x >= Radius) {
        return 0.0;
    }
    if (x < 1e-12) {
        return 1.0;
    }
    const double pix = std::numbers::pi * x;
    return Radius * std::sin(pix) * std::sin(pix / Radius) / (pix * pix);
}

QImage ResampleLanczos(const QImage& source, int width, int height) {
    if (source.isNull() || width <= 0 || height <= 0) {
        return QImage();
    }
    const QImage working = ToWorkingPicture(source);
    // Filter along the side that shrinks most first, so the second pass has the fewest pixels to read.
    const double widthFactor = double(width) / working.width();
    const double heightFactor = double(height) / working.height();
    // A same-size result shares the source's pixels; QImage copies them on the first write.
    return widthFactor <= heightFactor ? ResampleHeight(ResampleWidth(working, width), height)
                                       : ResampleWidth(ResampleHeight(working, height), width);
}

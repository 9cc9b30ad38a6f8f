#include "Resampler.h"

#include <QtGlobal>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <vector>

#include "Bitmap.h"
#include "LanczosTaps.h"
#include "ParallelBands.h"

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace {

// Multiply-adds that pay for one more thread.
constexpr double WorkPerThread = 2.0e6;

// Four floats, one per byte of a pixel, and two pixels side by side: GCC and Clang turn these into SIMD
// registers (two 128-bit ones, or one 256-bit one where the processor has AVX2).
using TPixelF = float __attribute__((vector_size(16)));
using TPixelI = int __attribute__((vector_size(16)));
using TPixelB = unsigned char __attribute__((vector_size(4)));
using TPairF = float __attribute__((vector_size(32)));
using TPairI = int __attribute__((vector_size(32)));
using TPairB = unsigned char __attribute__((vector_size(8)));

// Every helper that takes or returns a vector is always inlined: the fast variant calls them with 256-bit
// vectors in AVX registers, the portable one in memory, so an out-of-line copy (a debug build) would be
// called the wrong way by one of them.
#define ORVALIS_VECTOR_HELPER inline __attribute__((always_inline))

template <typename Vector>
ORVALIS_VECTOR_HELPER Vector Load(const void* bytes) {
    Vector value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

template <typename Vector>
ORVALIS_VECTOR_HELPER void Store(void* bytes, Vector value) {
    std::memcpy(bytes, &value, sizeof value);
}

// Bytes to floats and back. The compilers turn the generic conversions of such short vectors into one
// instruction per lane, so on x86-64 the SSE2 unpack and pack instructions do it instead.
#if defined(__SSE2__)
ORVALIS_VECTOR_HELPER TPixelF LoadPixel(const uchar* bytes) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i words = _mm_unpacklo_epi8(_mm_cvtsi32_si128(Load<int>(bytes)), zero);
    return TPixelF(_mm_cvtepi32_ps(_mm_unpacklo_epi16(words, zero)));
}

ORVALIS_VECTOR_HELPER TPairF LoadPair(const uchar* bytes) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i words = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(bytes)), zero);
    const TPixelF low = TPixelF(_mm_cvtepi32_ps(_mm_unpacklo_epi16(words, zero)));
    const TPixelF high = TPixelF(_mm_cvtepi32_ps(_mm_unpackhi_epi16(words, zero)));
    return __builtin_shufflevector(low, high, 0, 1, 2, 3, 4, 5, 6, 7);
}

// `value` is already rounded and clamped to 0..255 (ToByteRange).
ORVALIS_VECTOR_HELPER void StorePixelBytes(uchar* bytes, TPixelF value) {
    const __m128i ints = _mm_cvttps_epi32(__m128(value));
    const __m128i words = _mm_packs_epi32(ints, ints);
    Store(bytes, _mm_cvtsi128_si32(_mm_packus_epi16(words, words)));
}

ORVALIS_VECTOR_HELPER void StorePairBytes(uchar* bytes, TPairF value) {
    const __m128i low = _mm_cvttps_epi32(__m128(__builtin_shufflevector(value, value, 0, 1, 2, 3)));
    const __m128i high = _mm_cvttps_epi32(__m128(__builtin_shufflevector(value, value, 4, 5, 6, 7)));
    const __m128i words = _mm_packs_epi32(low, high);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(bytes), _mm_packus_epi16(words, words));
}
#else
ORVALIS_VECTOR_HELPER TPixelF LoadPixel(const uchar* bytes) {
    return __builtin_convertvector(Load<TPixelB>(bytes), TPixelF);
}

ORVALIS_VECTOR_HELPER TPairF LoadPair(const uchar* bytes) {
    return __builtin_convertvector(Load<TPairB>(bytes), TPairF);
}

ORVALIS_VECTOR_HELPER void StorePixelBytes(uchar* bytes, TPixelF value) {
    Store(bytes, __builtin_convertvector(__builtin_convertvector(value, TPixelI), TPixelB));
}

ORVALIS_VECTOR_HELPER void StorePairBytes(uchar* bytes, TPairF value) {
    Store(bytes, __builtin_convertvector(__builtin_convertvector(value, TPairI), TPairB));
}
#endif

// Rounds to the nearest byte value, clamped to 0..255.
template <typename VectorF>
ORVALIS_VECTOR_HELPER VectorF ToByteRange(VectorF value) {
    const VectorF zero = VectorF{} + 0.0f;
    const VectorF top = VectorF{} + 255.0f;
    value += 0.5f;
    value = value < zero ? zero : value;
    return value > top ? top : value;
}

ORVALIS_VECTOR_HELPER void StorePixel(uchar* bytes, TPixelF value) {
    StorePixelBytes(bytes, ToByteRange(value));
}

ORVALIS_VECTOR_HELPER void StorePair(uchar* bytes, TPairF value) {
    StorePairBytes(bytes, ToByteRange(value));
}

// The loops below are written once and compiled twice: for any x86-64 processor, and for one with
// AVX2 and FMA, where a pair of pixels fits one register. The better one is picked at run time.
#if defined(__x86_64__) && defined(__GNUC__)
#define ORVALIS_FAST_VARIANT __attribute__((target("avx2,fma")))
#define ORVALIS_HAS_FAST_VARIANT 1
#else
#define ORVALIS_FAST_VARIANT
#define ORVALIS_HAS_FAST_VARIANT 0
#endif

bool HasFastVariant() {
#if ORVALIS_HAS_FAST_VARIANT
    static const bool supported = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    return supported;
#else
    return false;
#endif
}

// One source row as floats, a pixel per box of the taps: the pixel itself, or the average of the box's
// pixels. The line has room for one spare pixel of zeros after them, so that the last pair of taps
// stays inside.
ORVALIS_VECTOR_HELPER void LoadLine(const uchar* in, int sourceWidth, int box, float* line) {
    if (box == 1) {
        int x = 0;
        for (; x + 2 <= sourceWidth; x += 2) {
            Store(line + 4 * x, LoadPair(in + 4 * x));
        }
        if (x < sourceWidth) {
            Store(line + 4 * x, LoadPixel(in + 4 * x));
        }
        return;
    }
    for (int first = 0; first < sourceWidth; first += box) {
        const int end = first + std::min(box, sourceWidth - first);
        TPixelF sum{};
        for (int x = first; x < end; ++x) {
            sum += LoadPixel(in + 4 * x);
        }
        Store(line + 4 * size_t(first / box), sum * (1.0f / float(end - first)));
    }
}

// Resamples the rows [rowsFirst, rowsEnd) of `source` along x into `target` (same rows). Each row is
// turned into floats once.
ORVALIS_VECTOR_HELPER void ResampleRowsBody(const QImage& source, QImage& target, const TLanczosTaps& taps,
                                            const float* pairWeights, int rowsFirst, int rowsEnd) {
    const int sourceWidth = source.width();
    const int targetWidth = target.width();
    const size_t boxes = (size_t(sourceWidth) + taps.Box - 1) / taps.Box;
    std::vector<float> line((boxes + 2) * 4, 0.0f);
    for (int y = rowsFirst; y < rowsEnd; ++y) {
        LoadLine(source.constScanLine(y), sourceWidth, taps.Box, line.data());
        uchar* out = target.scanLine(y);
        for (int x = 0; x < targetWidth; ++x) {
            const float* w = pairWeights + size_t(x) * taps.Stride * 4;
            const float* pixels = line.data() + 4 * size_t(taps.First[x]);
            const int used = (taps.Count[x] + 1) / 2;
            // Four sums, so that each multiply-add does not wait for the one before.
            TPairF s0{}, s1{}, s2{}, s3{};
            int k = 0;
            for (; k + 4 <= used; k += 4) {
                s0 += Load<TPairF>(pixels + 8 * k) * Load<TPairF>(w + 8 * k);
                s1 += Load<TPairF>(pixels + 8 * k + 8) * Load<TPairF>(w + 8 * k + 8);
                s2 += Load<TPairF>(pixels + 8 * k + 16) * Load<TPairF>(w + 8 * k + 16);
                s3 += Load<TPairF>(pixels + 8 * k + 24) * Load<TPairF>(w + 8 * k + 24);
            }
            for (; k < used; ++k) {
                s0 += Load<TPairF>(pixels + 8 * k) * Load<TPairF>(w + 8 * k);
            }
            const TPairF sum = (s0 + s1) + (s2 + s3);
            StorePixel(out + 4 * x, __builtin_shufflevector(sum, sum, 0, 1, 2, 3) +
                                        __builtin_shufflevector(sum, sum, 4, 5, 6, 7));
        }
    }
}

// Resamples along y into the target rows [rowsFirst, rowsEnd): eight pixels at a time are summed in
// registers over all the taps of a row, then stored.
ORVALIS_VECTOR_HELPER void ResampleColumnsBody(const QImage& source, QImage& target, const TLanczosTaps& taps,
                                               int rowsFirst, int rowsEnd) {
    const int width = target.width();
    std::vector<const uchar*> rows(taps.Stride);
    for (int y = rowsFirst; y < rowsEnd; ++y) {
        const float* weights = taps.Weights.data() + size_t(y) * taps.Stride;
        const int count = taps.Count[y];
        for (int k = 0; k < count; ++k) {
            rows[k] = source.constScanLine(taps.First[y] + k);
        }
        uchar* out = target.scanLine(y);
        int x = 0;
        for (; x + 8 <= width; x += 8) {
            TPairF s0{}, s1{}, s2{}, s3{};
            for (int k = 0; k < count; ++k) {
                const uchar* in = rows[k] + 4 * x;
                const float w = weights[k];
                s0 += LoadPair(in) * w;
                s1 += LoadPair(in + 8) * w;
                s2 += LoadPair(in + 16) * w;
                s3 += LoadPair(in + 24) * w;
            }
            StorePair(out + 4 * x, s0);
            StorePair(out + 4 * x + 8, s1);
            StorePair(out + 4 * x + 16, s2);
            StorePair(out + 4 * x + 24, s3);
        }
        for (; x < width; ++x) {
            TPixelF sum{};
            for (int k = 0; k < count; ++k) {
                sum += LoadPixel(rows[k] + 4 * x) * weights[k];
            }
            StorePixel(out + 4 * x, sum);
        }
    }
}

// The same over boxes of rows (an extreme reduction): each source row of a box takes its share of the
// box's weight, summed into a row of floats.
void ResampleBoxedColumns(const QImage& source, QImage& target, const TLanczosTaps& taps, int rowsFirst,
                          int rowsEnd) {
    const int width = target.width();
    const int height = source.height();
    std::vector<float> sums(size_t(width) * 4);
    for (int y = rowsFirst; y < rowsEnd; ++y) {
        std::fill(sums.begin(), sums.end(), 0.0f);
        const float* weights = taps.Weights.data() + size_t(y) * taps.Stride;
        for (int k = 0; k < taps.Count[y]; ++k) {
            const int first = (taps.First[y] + k) * taps.Box;
            const int end = first + std::min(taps.Box, height - first);
            const float w = weights[k] / float(end - first);
            for (int row = first; row < end; ++row) {
                const uchar* in = source.constScanLine(row);
                for (int x = 0; x < width; ++x) {
                    Store(&sums[4 * size_t(x)],
                          Load<TPixelF>(&sums[4 * size_t(x)]) + LoadPixel(in + 4 * x) * w);
                }
            }
        }
        uchar* out = target.scanLine(y);
        for (int x = 0; x < width; ++x) {
            StorePixel(out + 4 * x, Load<TPixelF>(&sums[4 * size_t(x)]));
        }
    }
}

ORVALIS_FAST_VARIANT void ResampleRowsFast(const QImage& source, QImage& target, const TLanczosTaps& taps,
                                           const float* pairWeights, int first, int end) {
    ResampleRowsBody(source, target, taps, pairWeights, first, end);
}

void ResampleRowsPortable(const QImage& source, QImage& target, const TLanczosTaps& taps,
                          const float* pairWeights, int first, int end) {
    ResampleRowsBody(source, target, taps, pairWeights, first, end);
}

ORVALIS_FAST_VARIANT void ResampleColumnsFast(const QImage& source, QImage& target, const TLanczosTaps& taps,
                                              int first, int end) {
    ResampleColumnsBody(source, target, taps, first, end);
}

void ResampleColumnsPortable(const QImage& source, QImage& target, const TLanczosTaps& taps, int first,
                             int end) {
    ResampleColumnsBody(source, target, taps, first, end);
}

void ResampleRows(const QImage& source, QImage& target, const TLanczosTaps& taps, const float* pairWeights,
                  int first, int end) {
    (HasFastVariant() ? ResampleRowsFast : ResampleRowsPortable)(source, target, taps, pairWeights, first,
                                                                 end);
}

void ResampleColumns(const QImage& source, QImage& target, const TLanczosTaps& taps, int first, int end) {
    if (taps.Box > 1) {
        ResampleBoxedColumns(source, target, taps, first, end);
        return;
    }
    (HasFastVariant() ? ResampleColumnsFast : ResampleColumnsPortable)(source, target, taps, first, end);
}

QImage ResampleWidth(const QImage& source, int width) {
    if (width == source.width()) {
        return source;
    }
    QImage target(width, source.height(), source.format());
    if (target.isNull()) {
        return target;
    }
    const TLanczosTaps taps = LanczosTaps(source.width(), width);
    // The weights as pairs of pixels, w0 x 4, w1 x 4, ..., so that a pair of taps takes one load. Kept
    // as plain floats and read unaligned, since the allocator does not promise a 32-byte alignment.
    std::vector<float> pairWeights(taps.Weights.size() * 4);
    for (size_t i = 0; i < taps.Weights.size(); ++i) {
        std::fill_n(pairWeights.begin() + 4 * i, 4, taps.Weights[i]);
    }
    const double work = (double(width) * taps.Stride + source.width()) * source.height();
    ForBands(source.height(), work / WorkPerThread,
             [&](int first, int end) { ResampleRows(source, target, taps, pairWeights.data(), first, end); });
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
    const TLanczosTaps taps = LanczosTaps(source.height(), height);
    const double work = double(height) * source.width() * taps.Stride * taps.Box;
    ForBands(height, work / WorkPerThread,
             [&](int first, int end) { ResampleColumns(source, target, taps, first, end); });
    return target;
}

}  // namespace

QImage ResampleLanczos(const QImage& source, int width, int height) {
    if (source.isNull() || width <= 0 || height <= 0) {
        return QImage();
    }
    try {
        const QImage working = ToWorkingPicture(source);
        if (working.isNull()) {
            return QImage();
        }
        // Filter along the side that shrinks most first, so the second pass has the fewest pixels to
        // read.
        const double widthFactor = double(width) / working.width();
        const double heightFactor = double(height) / working.height();
        // A same-size result shares the source's pixels; QImage copies them on the first write.
        const QImage half =
            widthFactor <= heightFactor ? ResampleWidth(working, width) : ResampleHeight(working, height);
        if (half.isNull()) {
            return QImage();
        }
        return widthFactor <= heightFactor ? ResampleHeight(half, height) : ResampleWidth(half, width);
    } catch (const std::exception&) {
        // The memory for the work was not there (std::bad_alloc, or a table longer than a vector can
        // be): no picture, and the caller goes on.
        return QImage();
    }
}

#include "Resampler.h"

#include <QtGlobal>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <exception>
#include <optional>
#include <vector>

#include "Bitmap.h"
#include "LanczosTaps.h"
#include "ParallelBands.h"
#include "PictureMemory.h"
#include "ResamplePasses.h"

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

// The loops below are written once and compiled three times: for any x86-64 processor; for one with
// AVX2 and FMA, where a pair of pixels fits one register; and for one with AVX-512, where four do. The
// best one is picked at run time. All three give the same sums but for the portable one's separate
// multiplies and adds.
#if defined(__x86_64__) && defined(__GNUC__)
#define ORVALIS_FAST_VARIANT __attribute__((target("avx2,fma")))
#define ORVALIS_WIDE_VARIANT __attribute__((target("avx512f,avx512bw,avx512vl,avx2,fma")))
#define ORVALIS_HAS_FAST_VARIANT 1
#else
#define ORVALIS_FAST_VARIANT
#define ORVALIS_WIDE_VARIANT
#define ORVALIS_HAS_FAST_VARIANT 0
#endif

using TVariant = TResampleVariant;

TVariant BestVariant() {
#if ORVALIS_HAS_FAST_VARIANT
    static const TVariant best = [] {
        if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
            __builtin_cpu_supports("avx512vl")) {
            return TVariant::Wide;
        }
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") ? TVariant::Fast
                                                                               : TVariant::Portable;
    }();
    return best;
#else
    return TVariant::Portable;
#endif
}

// The variant the passes use: the best one, unless a test asked for a lesser one.
std::atomic<int> ChosenVariant{-1};

TVariant UsedVariant() {
    const int chosen = ChosenVariant.load(std::memory_order_relaxed);
    return chosen < 0 ? BestVariant() : TVariant(chosen);
}

#if ORVALIS_HAS_FAST_VARIANT
// Four pixels of four floats: one AVX-512 register.
using TQuadF = float __attribute__((vector_size(64)));
using TQuadI = int __attribute__((vector_size(64)));
using TQuadB = unsigned char __attribute__((vector_size(16)));

// Inlined into the AVX-512 variant only, where the conversions are one instruction each.
ORVALIS_VECTOR_HELPER void StoreQuad(uchar* bytes, TQuadF value) {
    Store(bytes, __builtin_convertvector(__builtin_convertvector(ToByteRange(value), TQuadI), TQuadB));
}
#endif

// The rows pass filters LineRows source rows at once: their pixels lie side by side in a line of
// floats, LineRows pixels of 4 floats per box of the taps, so that one load takes a tap of two rows and
// one weight serves all of them.
constexpr int LineRows = 4;
constexpr int LineFloats = 4 * LineRows;

// Source rows [first, first + LineRows) as floats in the line, a pixel per box of the taps: the pixel
// itself, or the average of the box's pixels. Rows past `end` repeat the last one. The line has room for
// one spare box of zeros after them, so that the last pair of taps stays inside.
ORVALIS_VECTOR_HELPER void LoadLines(const QImage& source, int first, int end, int box, float* line) {
    const int sourceWidth = source.width();
    for (int r = 0; r < LineRows; ++r) {
        const uchar* in = source.constScanLine(std::min(first + r, end - 1));
        float* out = line + 4 * r;
        if (box == 1) {
            for (int x = 0; x < sourceWidth; ++x) {
                Store(out + size_t(x) * LineFloats, LoadPixel(in + 4 * x));
            }
            continue;
        }
        for (int from = 0; from < sourceWidth; from += box) {
            const int to = from + std::min(box, sourceWidth - from);
            TPixelF sum{};
            for (int x = from; x < to; ++x) {
                sum += LoadPixel(in + 4 * x);
            }
            Store(out + size_t(from / box) * LineFloats, sum * (1.0f / float(to - from)));
        }
    }
}

// Resamples the rows [rowsFirst, rowsEnd) of `source` along x into `target` (same rows), LineRows rows
// at a time. Each row is turned into floats once.
template <bool Wide>
ORVALIS_VECTOR_HELPER void ResampleRowsBody(const QImage& source, QImage& target, const TLanczosTaps& taps,
                                            int rowsFirst, int rowsEnd) {
    const int targetWidth = target.width();
    const size_t boxes = (size_t(source.width()) + taps.Box - 1) / taps.Box;
    std::vector<float> line((boxes + 2) * LineFloats, 0.0f);
    for (int y = rowsFirst; y < rowsEnd; y += LineRows) {
        LoadLines(source, y, rowsEnd, taps.Box, line.data());
        uchar* out[LineRows];
        for (int r = 0; r < LineRows; ++r) {
            out[r] = target.scanLine(std::min(y + r, rowsEnd - 1));
        }
        for (int x = 0; x < targetWidth; ++x) {
            const float* w = taps.Weights.data() + size_t(x) * taps.Stride;
            const float* pixels = line.data() + LineFloats * size_t(taps.First[x]);
            const int used = (taps.Count[x] + 1) / 2;
#if ORVALIS_HAS_FAST_VARIANT
            if constexpr (Wide) {
                // The four rows in one register; even and odd taps in sums of their own.
                TQuadF even{}, odd{};
                for (int k = 0; k < used; ++k) {
                    const float* at = pixels + size_t(2 * k) * LineFloats;
                    even += Load<TQuadF>(at) * (TQuadF{} + w[2 * k]);
                    odd += Load<TQuadF>(at + LineFloats) * (TQuadF{} + w[2 * k + 1]);
                }
                const TQuadF sum = even + odd;
                for (int r = 0; r < LineRows; ++r) {
                    StorePixel(out[r] + 4 * x,
                               TPixelF{sum[4 * r], sum[4 * r + 1], sum[4 * r + 2], sum[4 * r + 3]});
                }
                continue;
            }
#endif
            // Rows 0 and 1 in `low`, 2 and 3 in `high`; even and odd taps in sums of their own, so that
            // each multiply-add does not wait for the one before.
            TPairF low0{}, low1{}, high0{}, high1{};
            for (int k = 0; k < used; ++k) {
                const float* at = pixels + size_t(2 * k) * LineFloats;
                const TPairF even = TPairF{} + w[2 * k];
                const TPairF odd = TPairF{} + w[2 * k + 1];
                low0 += Load<TPairF>(at) * even;
                high0 += Load<TPairF>(at + 8) * even;
                low1 += Load<TPairF>(at + LineFloats) * odd;
                high1 += Load<TPairF>(at + LineFloats + 8) * odd;
            }
            const TPairF low = low0 + low1;
            const TPairF high = high0 + high1;
            // Rows past the end repeat the last one and so write its pixel again.
            StorePixel(out[0] + 4 * x, __builtin_shufflevector(low, low, 0, 1, 2, 3));
            StorePixel(out[1] + 4 * x, __builtin_shufflevector(low, low, 4, 5, 6, 7));
            StorePixel(out[2] + 4 * x, __builtin_shufflevector(high, high, 0, 1, 2, 3));
            StorePixel(out[3] + 4 * x, __builtin_shufflevector(high, high, 4, 5, 6, 7));
        }
    }
}

// The most source rows whose strip is fetched ahead while a target row is worked out.
constexpr int PrefetchRows = 12;

// Resamples along y into the target rows [rowsFirst, rowsEnd), strip by strip of the rings' columns:
// eight pixels at a time are summed in registers over all the taps of a row, then stored.
template <bool Wide>
ORVALIS_VECTOR_HELPER void ResampleColumnsBody(const QImage& source, QImage& target, const TLanczosTaps& taps,
                                               int rowsFirst, int rowsEnd, TSourceRings& rings) {
    const int width = target.width();
    std::vector<const float*> rows(rings.RingRows);
    for (int strip = 0; strip * TSourceRings::StripPixels < width; ++strip) {
        const int left = strip * TSourceRings::StripPixels;
        const int pixels = std::min(TSourceRings::StripPixels, width - left);
        rings.BeginStrip();
        for (int y = rowsFirst; y < rowsEnd; ++y) {
            const float* weights = taps.Weights.data() + size_t(y) * taps.Stride;
            const int count = taps.Count[y];
            for (int k = 0; k < count; ++k) {
                const int row = taps.First[y] + k;
                float* slot = rings.Slot(strip, row);
                int& held = rings.Held(strip, row);
                if (held != row) {
                    const uchar* in = source.constScanLine(row) + 4 * size_t(left);
                    int x = 0;
                    for (; x + 2 <= pixels; x += 2) {
                        Store(slot + 4 * x, LoadPair(in + 4 * x));
                    }
                    if (x < pixels) {
                        Store(slot + 4 * x, LoadPixel(in + 4 * x));
                    }
                    held = row;
                }
                rows[k] = slot;
            }
            // The source rows that the next target row reads first are fetched into the cache while this
            // one is worked out: read a strip at a time, they would each cost a wait for memory.
            const uchar* coming[PrefetchRows];
            int comingRows = 0;
            if (y + 1 < rowsEnd) {
                for (int row = std::max(taps.First[y] + count, taps.First[y + 1]);
                     row < taps.First[y + 1] + taps.Count[y + 1] && comingRows < PrefetchRows; ++row) {
                    if (rings.Held(strip, row) != row) {
                        coming[comingRows++] = source.constScanLine(row) + 4 * size_t(left);
                    }
                }
            }
            uchar* out = target.scanLine(y) + 4 * size_t(left);
            int x = 0;
#if ORVALIS_HAS_FAST_VARIANT
            if constexpr (Wide) {
                for (; x + 16 <= pixels; x += 16) {
                    for (int j = 0; j < comingRows; ++j) {
                        __builtin_prefetch(coming[j] + 4 * x);
                    }
                    TQuadF s0{}, s1{}, s2{}, s3{};
                    for (int k = 0; k < count; ++k) {
                        const float* in = rows[k] + 4 * x;
                        const TQuadF w = TQuadF{} + weights[k];
                        s0 += Load<TQuadF>(in) * w;
                        s1 += Load<TQuadF>(in + 16) * w;
                        s2 += Load<TQuadF>(in + 32) * w;
                        s3 += Load<TQuadF>(in + 48) * w;
                    }
                    StoreQuad(out + 4 * x, s0);
                    StoreQuad(out + 4 * x + 16, s1);
                    StoreQuad(out + 4 * x + 32, s2);
                    StoreQuad(out + 4 * x + 48, s3);
                }
            }
#endif
            for (; x + 8 <= pixels; x += 8) {
                if (x % 16 == 0) {
                    for (int j = 0; j < comingRows; ++j) {
                        __builtin_prefetch(coming[j] + 4 * x);
                    }
                }
                TPairF s0{}, s1{}, s2{}, s3{};
                for (int k = 0; k < count; ++k) {
                    const float* in = rows[k] + 4 * x;
                    const TPairF w = TPairF{} + weights[k];
                    s0 += Load<TPairF>(in) * w;
                    s1 += Load<TPairF>(in + 8) * w;
                    s2 += Load<TPairF>(in + 16) * w;
                    s3 += Load<TPairF>(in + 24) * w;
                }
                StorePair(out + 4 * x, s0);
                StorePair(out + 4 * x + 8, s1);
                StorePair(out + 4 * x + 16, s2);
                StorePair(out + 4 * x + 24, s3);
            }
            for (; x < pixels; ++x) {
                TPixelF sum{};
                for (int k = 0; k < count; ++k) {
                    sum += Load<TPixelF>(rows[k] + 4 * x) * weights[k];
                }
                StorePixel(out + 4 * x, sum);
            }
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

ORVALIS_WIDE_VARIANT void ResampleRowsWide(const QImage& source, QImage& target, const TLanczosTaps& taps,
                                           int first, int end) {
    ResampleRowsBody<ORVALIS_HAS_FAST_VARIANT>(source, target, taps, first, end);
}

ORVALIS_FAST_VARIANT void ResampleRowsFast(const QImage& source, QImage& target, const TLanczosTaps& taps,
                                           int first, int end) {
    ResampleRowsBody<false>(source, target, taps, first, end);
}

void ResampleRowsPortable(const QImage& source, QImage& target, const TLanczosTaps& taps, int first,
                          int end) {
    ResampleRowsBody<false>(source, target, taps, first, end);
}

ORVALIS_WIDE_VARIANT void ResampleColumnsWide(const QImage& source, QImage& target, const TLanczosTaps& taps,
                                              int first, int end, TSourceRings& rings) {
    ResampleColumnsBody<ORVALIS_HAS_FAST_VARIANT>(source, target, taps, first, end, rings);
}

ORVALIS_FAST_VARIANT void ResampleColumnsFast(const QImage& source, QImage& target, const TLanczosTaps& taps,
                                              int first, int end, TSourceRings& rings) {
    ResampleColumnsBody<false>(source, target, taps, first, end, rings);
}

void ResampleColumnsPortable(const QImage& source, QImage& target, const TLanczosTaps& taps, int first,
                             int end, TSourceRings& rings) {
    ResampleColumnsBody<false>(source, target, taps, first, end, rings);
}

}  // namespace

std::vector<TResampleVariant> ResampleVariantsHere() {
    std::vector<TResampleVariant> here{TVariant::Portable};
    if (BestVariant() != TVariant::Portable) {
        here.push_back(TVariant::Fast);
    }
    if (BestVariant() == TVariant::Wide) {
        here.push_back(TVariant::Wide);
    }
    return here;
}

void UseResampleVariant(std::optional<TResampleVariant> variant) {
    ChosenVariant.store(variant ? int(*variant) : -1, std::memory_order_relaxed);
}

void ResampleRows(const QImage& source, QImage& target, const TLanczosTaps& taps, int first, int end) {
    switch (UsedVariant()) {
        case TVariant::Wide:
            return ResampleRowsWide(source, target, taps, first, end);
        case TVariant::Fast:
            return ResampleRowsFast(source, target, taps, first, end);
        case TVariant::Portable:
            break;
    }
    ResampleRowsPortable(source, target, taps, first, end);
}

TSourceRings::TSourceRings(const TLanczosTaps& taps, int width, bool everyStrip)
    : RingRows(taps.Stride),
      Strips(everyStrip ? (width + StripPixels - 1) / StripPixels : 1),
      Floats(new float[size_t(Strips) * RingRows * SlotFloats]),
      HeldRows(size_t(Strips) * RingRows, -1) {}

void ResampleColumns(const QImage& source, QImage& target, const TLanczosTaps& taps, int first, int end,
                     TSourceRings* rings) {
    if (taps.Box > 1) {
        ResampleBoxedColumns(source, target, taps, first, end);
        return;
    }
    std::optional<TSourceRings> own;
    if (rings == nullptr) {
        rings = &own.emplace(taps, target.width(), false);
    }
    switch (UsedVariant()) {
        case TVariant::Wide:
            return ResampleColumnsWide(source, target, taps, first, end, *rings);
        case TVariant::Fast:
            return ResampleColumnsFast(source, target, taps, first, end, *rings);
        case TVariant::Portable:
            break;
    }
    ResampleColumnsPortable(source, target, taps, first, end, *rings);
}

QImage ResampleWidth(const QImage& source, int width, double extent) {
    if (width == source.width() && (extent <= 0.0 || extent == width)) {
        return source;
    }
    QImage target = NewPicture(width, source.height(), source.format());
    if (target.isNull()) {
        return target;
    }
    const TLanczosTaps taps = LanczosTaps(source.width(), width, extent);
    const double work = (double(width) * taps.Stride + source.width()) * source.height();
    // Bands of whole groups of rows, but for the last band.
    const int groups = (source.height() + LineRows - 1) / LineRows;
    ForBands(groups, work / WorkPerThread, [&](int first, int end) {
        ResampleRows(source, target, taps, first * LineRows, std::min(end * LineRows, source.height()));
    });
    return target;
}

int SourceRowsRead(const TLanczosTaps& taps, int row, int sourceHeight) {
    return std::min(sourceHeight, (taps.First[row] + taps.Count[row]) * taps.Box);
}

QImage ResampleHeight(const QImage& source, int height, double extent) {
    if (height == source.height() && (extent <= 0.0 || extent == height)) {
        return source;
    }
    QImage target = NewPicture(source.width(), height, source.format());
    if (target.isNull()) {
        return target;
    }
    const TLanczosTaps taps = LanczosTaps(source.height(), height, extent);
    const double work = double(height) * source.width() * taps.Stride * taps.Box;
    ForBands(height, work / WorkPerThread,
             [&](int first, int end) { ResampleColumns(source, target, taps, first, end); });
    return target;
}

bool WidthPassFirst(QSize source, int width, int height, bool turnedAfter) {
    const double widthFactor = double(width) / source.width();
    const double heightFactor = double(height) / source.height();
    return turnedAfter ? widthFactor < heightFactor : widthFactor <= heightFactor;
}

namespace {

// ResampleLanczos over source extents (LanczosTaps); 0 for the source's own size.
QImage Resample(const QImage& source, int width, int height, bool turnedAfter, double extentX,
                double extentY) {
    if (source.isNull() || width <= 0 || height <= 0) {
        return QImage();
    }
    try {
        const QImage working = ToWorkingPicture(source);
        if (working.isNull()) {
            return QImage();
        }
        const bool widthFirst = WidthPassFirst(working.size(), width, height, turnedAfter);
        // A same-size result shares the source's pixels; QImage copies them on the first write.
        const QImage half =
            widthFirst ? ResampleWidth(working, width, extentX) : ResampleHeight(working, height, extentY);
        if (half.isNull()) {
            return QImage();
        }
        return widthFirst ? ResampleHeight(half, height, extentY) : ResampleWidth(half, width, extentX);
    } catch (const std::exception&) {
        // The memory for the work was not there (std::bad_alloc, or a table longer than a vector can
        // be): no picture, and the caller goes on.
        return QImage();
    }
}

}  // namespace

QImage ResampleLanczos(const QImage& source, int width, int height, bool turnedAfter) {
    return Resample(source, width, height, turnedAfter, 0.0, 0.0);
}

QImage ResampleLanczosReduced(const QImage& reduced, QSize original, QSize factors, int width, int height) {
    if (factors.width() <= 0 || factors.height() <= 0) {
        return QImage();
    }
    return Resample(reduced, width, height, false, double(original.width()) / factors.width(),
                    double(original.height()) / factors.height());
}

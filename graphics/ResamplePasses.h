#pragma once

#include <QImage>
#include <QSize>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "LanczosTaps.h"

// The two passes of the Lanczos resampler (Resampler.h), for the resampler itself and for a resampling
// that starts while its source is still being decoded (ResampleAhead.h). Sources are working pictures
// (Bitmap.h); targets are of the source's format.

// The passes are compiled for any x86-64 processor (Portable), for one with AVX2 and FMA (Fast) and for
// one with AVX-512 (Wide); the best one the processor runs is used. Fast and Wide give the same pixels,
// Portable (separate multiplies and adds) may differ from them by the last bit of a rounding.
enum class TResampleVariant { Portable, Fast, Wide };

// The variants this processor runs, and making the passes use one of them (nothing: the best) so that
// the tests check each: for the tests only, with no resampling under way.
std::vector<TResampleVariant> ResampleVariantsHere();
void UseResampleVariant(std::optional<TResampleVariant> variant);

// Whether the pass along the width goes first when `source` is resampled to width x height: the side
// that shrinks most goes first, so that the second pass has the fewest pixels to read; a tie goes to the
// width of the picture as it is shown (the height of one that is turned a quarter afterwards).
bool WidthPassFirst(QSize source, int width, int height, bool turnedAfter);

// The rows [first, end) of `source` resampled along x, with the taps of its width, into the same rows
// of `target`.
void ResampleRows(const QImage& source, QImage& target, const TLanczosTaps& taps, int first, int end);

// The source rows a pass along y has turned into floats: it works down strips of StripPixels columns,
// and for each keeps the last RingRows rows it read (the most that one target row reads), small enough
// for the cache. Kept for every strip, a pass that runs a few target rows at a time turns each source
// row into floats once; kept for one, they are made again for each strip and each run.
class TSourceRings {
public:
    static constexpr int StripPixels = 512;
    TSourceRings(const TLanczosTaps& taps, int width, bool everyStrip);

    // Called as a pass sets out down a strip: rings kept for one strip forget the last one's rows.
    void BeginStrip() {
        if (Strips == 1) {
            std::fill(HeldRows.begin(), HeldRows.end(), -1);
        }
    }
    float* Slot(int strip, int row) { return Floats.get() + (size_t(Index(strip, row))) * SlotFloats; }
    // The source row that the slot holds, -1 for none.
    int& Held(int strip, int row) { return HeldRows[Index(strip, row)]; }

    const int RingRows;

private:
    size_t Index(int strip, int row) const {
        return size_t(Strips > 1 ? strip : 0) * RingRows + row % RingRows;
    }
    // Slots a cache line apart from a multiple of the page size, so that the rows of one target pixel do
    // not all compete for the same few places in the cache.
    static constexpr size_t SlotFloats = size_t(StripPixels) * 4 + 16;
    const int Strips;
    std::unique_ptr<float[]> Floats;
    std::vector<int> HeldRows;
};

// The rows [first, end) of `target` resampled along y from `source`, with the taps of its height; the
// source rows' floats are kept in `rings` when given (made for these taps and this target's width).
void ResampleColumns(const QImage& source, QImage& target, const TLanczosTaps& taps, int first, int end,
                     TSourceRings* rings = nullptr);

// The end of the source rows that target row `row` of a pass along y reads (the rows before it are all
// it needs).
int SourceRowsRead(const TLanczosTaps& taps, int row, int sourceHeight);

// A whole pass, split over the processor's cores: `source` resampled along x to `width`, or along y to
// `height`; `extent` as the sourceExtent of LanczosTaps. The source itself for a side that keeps its
// length; a null picture when the memory for the target is not there. May raise std::bad_alloc for the
// work's own memory.
QImage ResampleWidth(const QImage& source, int width, double extent = 0.0);
QImage ResampleHeight(const QImage& source, int height, double extent = 0.0);

#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "LanczosTaps.h"
#include "ResamplePasses.h"

// A Lanczos resampling (ResampleLanczos, Resampler.h) of a picture that is still being decoded from the
// top down: both passes take the rows as they are ready, on a thread of their own, so that the result
// is there about when the decode is over. It is the picture that ResampleLanczos would make of the
// finished source.
//
// The one who decodes calls RowsReady as rows are final, then StopReading once the decode is over
// (whether it succeeded or not); then the picture may be changed here and there (a watermark) and
// Finish makes the result. Everything but the work on the rows as they come runs in the caller's thread.
class TResampleAhead {
public:
    // For a working picture (Bitmap.h) of `source` size resampled to width x height; `turnedAfter` as
    // for ResampleLanczos. May raise std::bad_alloc.
    TResampleAhead(QSize source, int width, int height, bool turnedAfter);
    ~TResampleAhead();
    TResampleAhead(const TResampleAhead&) = delete;
    TResampleAhead& operator=(const TResampleAhead&) = delete;

    // The rows [0, rows) of `source` (of the size given above) are final. The work keeps a copy of
    // `source` that shares its pixels and only reads them, until StopReading.
    void RowsReady(const QImage& source, int rows);

    // Waits until the work has taken every row reported ready, and lets go of the source.
    void StopReading();

    // The finished source (the picture whose rows were reported: it cannot tell another one of that size
    // and format), whose pixels in `changed` may differ from those reported ready: the rows of both
    // passes that read them are made again. A null picture when the work did not get every row, or its
    // memory was not there.
    QImage Finish(const QImage& source, const QRect& changed);

private:
    // False when the first pass keeps the side's length: then there is nothing to do ahead.
    bool Active() const;
    void Work();
    // Both passes as far as `ready` source rows take them; `last`: no more rows come.
    void Advance(const QImage& source, int ready, bool last);
    // Makes the rows [first, end) of the first pass's result and then what the second makes of them.
    void FirstPassRows(const QImage& source, int first, int end, TSourceRings* rings);
    void SecondPassRows(int first, int end, TSourceRings* rings);

    QSize SourceSize;
    int Width, Height;
    bool TurnedAfter;
    bool WidthFirst;
    bool SecondActive = false;  // the second pass changes its side's length
    TLanczosTaps Taps;          // of the first pass's side
    TLanczosTaps SecondTaps;    // of the second pass's side
    QImage Half;                // the first pass's result
    QImage Result;              // the second pass's
    // Passes along y: the rows they have read.
    std::unique_ptr<TSourceRings> Rings, SecondRings;
    int Done = 0;        // rows of Half made
    int SecondDone = 0;  // rows of Result made

    std::mutex Lock;
    std::condition_variable Changed;
    QImage Source;  // shared with the decoder, read only
    int Ready = 0;  // source rows
    bool Stopping = false;
    bool Failed = false;
    std::thread Worker;
};

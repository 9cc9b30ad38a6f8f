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
// top down: the first pass takes the rows as they are ready, on a thread of its own, so that it is done
// about when the decode is, and only the short second pass is left. The result is the picture that
// ResampleLanczos would make of the finished source.
//
// The one who decodes calls RowsReady as rows are final, then StopReading once the decode is over
// (whether it succeeded or not); then the picture may be changed here and there (a watermark) and
// Finish makes the result. Everything but the first pass runs in the caller's thread.
class TResampleAhead {
public:
    // For a working picture (Bitmap.h) of `source` size resampled to width x height; `turnedAfter` as
    // for ResampleLanczos. May raise std::bad_alloc.
    TResampleAhead(QSize source, int width, int height, bool turnedAfter);
    ~TResampleAhead();
    TResampleAhead(const TResampleAhead&) = delete;
    TResampleAhead& operator=(const TResampleAhead&) = delete;

    // The rows [0, rows) of `source` (of the size given above) are final. The first pass keeps a copy of
    // `source` that shares its pixels and only reads them, until StopReading.
    void RowsReady(const QImage& source, int rows);

    // Waits until the first pass has taken every row reported ready, and lets go of the source.
    void StopReading();

    // The finished source (the picture whose rows were reported: it cannot tell another one of that size
    // and format), whose pixels in `changed` may differ from those reported ready: the rows of the first
    // pass that read them are made again, then the second pass. A null picture when the first pass did
    // not get every row, or its memory was not there.
    QImage Finish(const QImage& source, const QRect& changed);

private:
    // False when the first pass keeps the side's length: then there is nothing to do ahead.
    bool Active() const;
    void FirstPass();
    // Runs the first pass on what is ready from `done` (rows of the intermediate picture) on; returns
    // how far it got.
    int Advance(const QImage& source, int ready, bool last, int done);

    QSize SourceSize;
    int Width, Height;
    bool TurnedAfter;
    bool WidthFirst;
    TLanczosTaps Taps;                    // of the first pass's side
    QImage Half;                          // the first pass's result
    std::unique_ptr<TSourceRings> Rings;  // a first pass along y: the source rows it has read

    std::mutex Lock;
    std::condition_variable Changed;
    QImage Source;  // shared with the decoder, read only
    int Ready = 0;  // source rows
    int Done = 0;   // rows of Half made
    bool Stopping = false;
    bool Failed = false;
    std::thread Worker;
};

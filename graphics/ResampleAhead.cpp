#include "ResampleAhead.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "PictureMemory.h"
#include "ResamplePasses.h"
#include "Resampler.h"

namespace {

// Rows of work a pass waits for before it sets out again, so that it does not wake for every band the
// decoder finishes: source rows for a pass along x, rows of its own for a pass along y.
constexpr int RowsPerRound = 16;
constexpr int ColumnRowsPerRound = 2;

// The rows of a pass along y with these taps (`rows` of them, over a side of `sourceLength`) that read
// any of the source rows [first, end): one run, since the windows move down with the rows.
std::pair<int, int> RowsReading(const TLanczosTaps& taps, int rows, int sourceLength, int first, int end) {
    int from = 0;
    while (from < rows && SourceRowsRead(taps, from, sourceLength) <= first) {
        ++from;
    }
    int to = from;
    while (to < rows && taps.First[to] * taps.Box < end) {
        ++to;
    }
    return {from, to};
}

// How many rows of a pass along y can be made from `ready` source rows, counting from `done`.
int RowsMadeFrom(const TLanczosTaps& taps, int rows, int sourceLength, int ready, int done) {
    while (done < rows && SourceRowsRead(taps, done, sourceLength) <= ready) {
        ++done;
    }
    return done;
}

}  // namespace

TResampleAhead::TResampleAhead(QSize source, int width, int height, bool turnedAfter)
    : SourceSize(source),
      Width(width),
      Height(height),
      TurnedAfter(turnedAfter),
      WidthFirst(WidthPassFirst(source, width, height, turnedAfter)) {
    if (!Active()) {
        return;
    }
    Taps = WidthFirst ? LanczosTaps(source.width(), width) : LanczosTaps(source.height(), height);
    SecondActive = WidthFirst ? height != source.height() : width != source.width();
    if (SecondActive) {
        SecondTaps = WidthFirst ? LanczosTaps(source.height(), height) : LanczosTaps(source.width(), width);
    }
}

TResampleAhead::~TResampleAhead() {
    StopReading();
}

bool TResampleAhead::Active() const {
    return !SourceSize.isEmpty() && Width > 0 && Height > 0 &&
           (WidthFirst ? Width != SourceSize.width() : Height != SourceSize.height());
}

void TResampleAhead::RowsReady(const QImage& source, int rows) {
    if (!Active()) {
        return;
    }
    const std::lock_guard lock(Lock);
    if (Stopping || Failed) {
        return;
    }
    if (source.size() != SourceSize) {
        Failed = true;
        return;
    }
    if (!Worker.joinable()) {
        Half = WidthFirst ? NewPicture(Width, SourceSize.height(), source.format())
                          : NewPicture(SourceSize.width(), Height, source.format());
        if (SecondActive) {
            Result = NewPicture(Width, Height, source.format());
        }
        if (Half.isNull() || (SecondActive && Result.isNull())) {
            Failed = true;
            return;
        }
        Source = source;
        try {
            Worker = std::thread([this] { Work(); });
        } catch (const std::exception&) {
            Failed = true;  // no thread to be had: nothing is done ahead
            return;
        }
    }
    Ready = std::clamp(rows, Ready, SourceSize.height());
    Changed.notify_all();
}

void TResampleAhead::StopReading() {
    {
        const std::lock_guard lock(Lock);
        Stopping = true;
        Changed.notify_all();
    }
    if (Worker.joinable()) {
        Worker.join();
    }
    const std::lock_guard lock(Lock);
    Source = QImage();
}

void TResampleAhead::Work() {
    std::unique_lock lock(Lock);
    int seen = 0;
    for (;;) {
        Changed.wait(lock, [&] { return Stopping || Ready > seen; });
        QImage source = Source;
        const int ready = Ready;
        const bool last = Stopping;
        lock.unlock();
        bool failed = false;
        try {
            Advance(source, ready, last);
        } catch (const std::exception&) {
            failed = true;  // the memory for the work was not there
        }
        source = QImage();
        lock.lock();
        seen = ready;
        Failed = Failed || failed;
        if (last || Failed) {
            return;
        }
    }
}

void TResampleAhead::FirstPassRows(const QImage& source, int first, int end, TSourceRings* rings) {
    if (WidthFirst) {
        ResampleRows(source, Half, Taps, first, end);
    } else {
        ResampleColumns(source, Half, Taps, first, end, rings);
    }
}

void TResampleAhead::SecondPassRows(int first, int end, TSourceRings* rings) {
    if (WidthFirst) {
        ResampleColumns(Half, Result, SecondTaps, first, end, rings);
    } else {
        ResampleRows(Half, Result, SecondTaps, first, end);
    }
}

void TResampleAhead::Advance(const QImage& source, int ready, bool last) {
    // The first pass: a row of Half is a source row filtered along x, or needs a window of source rows.
    const int done = WidthFirst ? ready : RowsMadeFrom(Taps, Height, SourceSize.height(), ready, Done);
    if (done - Done >= (last ? 1 : WidthFirst ? RowsPerRound : ColumnRowsPerRound)) {
        if (!WidthFirst && !Rings) {
            Rings = std::make_unique<TSourceRings>(Taps, Half.width(), true);
        }
        FirstPassRows(source, Done, done, Rings.get());
        Done = done;
    }
    if (!SecondActive) {
        return;
    }
    // The second pass, on the rows of Half made so far.
    const int secondDone =
        WidthFirst ? RowsMadeFrom(SecondTaps, Height, Half.height(), Done, SecondDone) : Done;
    if (secondDone - SecondDone >= (last ? 1 : WidthFirst ? ColumnRowsPerRound : RowsPerRound)) {
        if (WidthFirst && !SecondRings) {
            SecondRings = std::make_unique<TSourceRings>(SecondTaps, Result.width(), true);
        }
        SecondPassRows(SecondDone, secondDone, SecondRings.get());
        SecondDone = secondDone;
    }
}

QImage TResampleAhead::Finish(const QImage& source, const QRect& changed) {
    if (!Active()) {
        return ResampleLanczos(source, Width, Height, TurnedAfter);
    }
    StopReading();
    if (Failed || source.size() != SourceSize || source.format() != Half.format() || Done != Half.height() ||
        (SecondActive && SecondDone != Height)) {
        return QImage();
    }
    try {
        const QRect area = changed & QRect(QPoint(), SourceSize);
        if (!area.isEmpty()) {
            // The rows of each pass that read changed rows, made again from the changed picture.
            const std::pair<int, int> half =
                WidthFirst ? std::pair(area.top(), area.bottom() + 1)
                           : RowsReading(Taps, Height, SourceSize.height(), area.top(), area.bottom() + 1);
            FirstPassRows(source, half.first, half.second, nullptr);
            if (SecondActive) {
                const std::pair<int, int> result =
                    WidthFirst ? RowsReading(SecondTaps, Height, Half.height(), half.first, half.second)
                               : half;
                SecondPassRows(result.first, result.second, nullptr);
            }
        }
        return SecondActive ? Result : Half;
    } catch (const std::exception&) {
        return QImage();
    }
}

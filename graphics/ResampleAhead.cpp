#include "ResampleAhead.h"

#include <algorithm>
#include <exception>

#include "PictureMemory.h"
#include "ResamplePasses.h"
#include "Resampler.h"

namespace {

// Rows of work the first pass waits for before it sets out again, so that it does not wake for every
// band the decoder finishes: source rows for a pass along x, rows of its own for a pass along y.
constexpr int RowsPerRound = 16;
constexpr int ColumnRowsPerRound = 2;

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
        if (Half.isNull()) {
            Failed = true;
            return;
        }
        Source = source;
        try {
            Worker = std::thread([this] { FirstPass(); });
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

void TResampleAhead::FirstPass() {
    std::unique_lock lock(Lock);
    int seen = 0;
    for (;;) {
        Changed.wait(lock, [&] { return Stopping || Ready > seen; });
        QImage source = Source;
        const int ready = Ready;
        const bool last = Stopping;
        int done = Done;
        lock.unlock();
        bool failed = false;
        try {
            done = Advance(source, ready, last, done);
        } catch (const std::exception&) {
            failed = true;  // the memory for the work was not there
        }
        source = QImage();
        lock.lock();
        seen = ready;
        Done = done;
        Failed = Failed || failed;
        if (last || Failed) {
            return;
        }
    }
}

int TResampleAhead::Advance(const QImage& source, int ready, bool last, int done) {
    if (WidthFirst) {
        // A row of the intermediate picture is a source row filtered along x.
        if (ready - done < (last ? 1 : RowsPerRound)) {
            return done;
        }
        ResampleRows(source, Half, Taps, done, ready);
        return ready;
    }
    // A row of the intermediate picture needs a window of source rows.
    int end = done;
    while (end < Height && SourceRowsRead(Taps, end, SourceSize.height()) <= ready) {
        ++end;
    }
    if (end - done < (last ? 1 : ColumnRowsPerRound)) {
        return done;
    }
    if (!Rings) {
        Rings = std::make_unique<TSourceRings>(Taps, Half.width(), true);
    }
    ResampleColumns(source, Half, Taps, done, end, Rings.get());
    return end;
}

QImage TResampleAhead::Finish(const QImage& source, const QRect& changed) {
    if (!Active()) {
        return ResampleLanczos(source, Width, Height, TurnedAfter);
    }
    StopReading();
    if (Failed || source.size() != SourceSize || source.format() != Half.format() ||
        Done != (WidthFirst ? SourceSize.height() : Height)) {
        return QImage();
    }
    try {
        const QRect area = changed & QRect(QPoint(), SourceSize);
        if (!area.isEmpty()) {
            if (WidthFirst) {
                ResampleRows(source, Half, Taps, area.top(), area.bottom() + 1);
            } else {
                // The rows whose window of source rows meets the changed ones: one run, since the
                // windows move down with the rows.
                int first = 0;
                while (first < Height && SourceRowsRead(Taps, first, SourceSize.height()) <= area.top()) {
                    ++first;
                }
                int end = first;
                while (end < Height && Taps.First[end] * Taps.Box <= area.bottom()) {
                    ++end;
                }
                ResampleColumns(source, Half, Taps, first, end);
            }
        }
        return WidthFirst ? ResampleHeight(Half, Height) : ResampleWidth(Half, Width);
    } catch (const std::exception&) {
        return QImage();
    }
}

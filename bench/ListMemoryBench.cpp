// Long image lists in the program's main window: what the thumbnails cost in memory, and how soon the
// thumbnails of the screen in view arrive when a whole archive waits to be rendered.
//
//   build/bin/bench_list_memory --benchmark_filter=Memory     (several minutes at 100,000 entries)
//   build/bin/bench_list_memory --benchmark_filter=FirstScreen --benchmark_repetitions=5
//       --benchmark_report_aggregates_only=true
//
// The pictures behave like camera files: 1024 x 768 camera-like photographs (CameraJpeg.h), nine in ten
// carrying an EXIF thumbnail, the tenth without one (its thumbnail is rendered by the threads). A few
// hundred distinct files are hard-linked under as many names as the list has entries.
//
// BM_ListMemory: the resident set after every entry was added, every thumbnail made once and the
// thumbnail view scrolled from top to bottom a page at a time, less the resident set of the empty
// window; with the list's budget and with an unlimited one (every thumbnail kept ready, as a list
// without a budget does). Goal: under 1 GB in all for 100,000 entries.
//
// BM_FirstScreen: with every entry's rendering queued (no EXIF thumbnails), the time from a jump to the
// end of the list until every thumbnail in view is there. Goal: as fast with 100,000 entries as with 100.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QThread>
#include <QToolButton>

#include <malloc.h>
#include <unistd.h>

#include <limits>
#include <memory>

#include "BrowserLibrary.h"
#include "CameraJpeg.h"
#include "FileMaker.h"
#include "ImageList.h"
#include "Lister.h"
#include "PeakMemory.h"
#include "ThumbnailerThread.h"
#include "UnitMain.h"
#include "WidgetsBenchmarkMain.h"

namespace {

constexpr int DistinctPictures = 300;

// `count` names of camera files in a folder of the temporary folder, made on first use and kept for
// later runs. With `exif` false, none of them carries an EXIF thumbnail.
QStringList CameraFiles(int count, bool exif) {
    const QString folder = QDir::tempPath() + (exif ? QStringLiteral("/orvalis-list-bench/")
                                                    : QStringLiteral("/orvalis-list-bench-rendered/"));
    QDir().mkpath(folder + QStringLiteral("sources"));
    QStringList sources;
    for (int i = 0; i < DistinctPictures; ++i) {
        const QString source = folder + QStringLiteral("sources/%1.jpg").arg(i);
        if (!QFile::exists(source)) {
            const QImage picture = testsupport::CameraLikePicture(1024, 768, quint32(i + 1));
            QByteArray bytes;
            if (exif && i % 10 != 9) {
                bytes = testsupport::CameraJpeg(picture, 1);
            } else {
                QBuffer buffer(&bytes);
                buffer.open(QIODevice::WriteOnly);
                picture.save(&buffer, "jpg", 90);
            }
            testsupport::MakeFile(source + QStringLiteral(".part"), bytes);
            QFile::rename(source + QStringLiteral(".part"), source);
        }
        sources << source;
    }
    QStringList names;
    for (int i = 0; i < count; ++i) {
        const QString name = folder + QStringLiteral("IMG_%1.JPG").arg(i, 6, 10, QLatin1Char('0'));
        if (!QFile::exists(name)) {
            ::link(QFile::encodeName(sources[i % DistinctPictures]).constData(),
                   QFile::encodeName(name).constData());
        }
        names << name;
    }
    return names;
}

qint64 ResidentBytes() {
    return testsupport::ProcessStatusKiB("VmRSS:") * 1024;
}

// The program's main window, 1600 x 1000, in thumbnail view.
struct TProgram {
    TBrowserLibrary NoBrowser;
    std::unique_ptr<TFormMain> Window;

    TProgram() {
        TFormMain::CheckForUpdateAtStartUp = false;
        Window = std::make_unique<TFormMain>(NoBrowser);
        Window->setGeometry(0, 0, 1600, 1000);
        Window->show();
        Window->ToolButtonThumbnails->click();
        Settle();
    }
    ~TProgram() {
        Window->close();
        Window.reset();
    }
    QListView& View() const { return *Window->Lister->IconView(); }
    TThumbnailImages& Thumbnails() const { return Window->ImageList().ImageListThumbnails(); }
    void Settle() const {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
        }
    }
    void Add(const QStringList& names) const {
        QElapsedTimer events;
        events.start();
        for (const QString& name : names) {
            Window->AddImageFile(name);
            if (events.elapsed() >= 20) {
                QCoreApplication::processEvents();
                events.restart();
            }
        }
        Settle();
    }
    // Until the threads have nothing left to render and their results are in.
    void WaitForRenderings() const {
        TThumbnailThreadControl* control = Window->ThumbnailThreadControl();
        while (control->PendingRequestCount() > 0 || control->RunningCount() > 0) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            QThread::msleep(5);
        }
        Settle();
    }
    // The rows in view, first and last.
    std::pair<int, int> RowsInView() const {
        const QRect area = View().viewport()->rect();
        int first = std::numeric_limits<int>::max();
        int last = -1;
        for (int y = 5; y < area.height(); y += 20) {
            for (int x = 5; x < area.width(); x += 20) {
                const QModelIndex index = View().indexAt(QPoint(x, y));
                if (index.isValid()) {
                    first = std::min(first, index.row());
                    last = std::max(last, index.row());
                }
            }
        }
        return {first, last};
    }
    bool ScreenAtHand() const {
        const auto [first, last] = RowsInView();
        for (int row = first; row <= last; ++row) {
            if (!Thumbnails().AtHand(Window->ImageList().Model().Record(row).ThumbnailIndex)) {
                return false;
            }
        }
        return last >= 0;
    }
    void ScrollThrough() const {
        QScrollBar* bar = View().verticalScrollBar();
        bar->setValue(0);
        Settle();
        while (bar->value() < bar->maximum()) {
            bar->setValue(bar->value() + bar->pageStep());
            Settle();
        }
    }
};

void BM_ListMemory(benchmark::State& state) {
    const int count = int(state.range(0));
    const bool unlimited = state.range(1) != 0;
    const QStringList names = CameraFiles(count, true);
    for (auto _ : state) {
        TProgram program;
        if (unlimited) {
            program.Thumbnails().SetBudget(std::numeric_limits<qint64>::max(),
                                           std::numeric_limits<qint64>::max());
        }
        malloc_trim(0);
        const qint64 before = ResidentBytes();
        program.Add(names);
        program.WaitForRenderings();
        program.ScrollThrough();
        program.WaitForRenderings();
        const qint64 grown = ResidentBytes() - before;
        state.counters["resident_MB"] = double(grown) / (1 << 20);
        state.counters["per_entry_KB"] = double(grown) / count / 1024;
        state.counters["ready_MB"] = double(program.Thumbnails().ReadyBytes()) / (1 << 20);
        state.counters["packed_MB"] = double(program.Thumbnails().PackedBytes()) / (1 << 20);
    }
}
// Arguments: the number of entries, and 1 for an unlimited budget.
BENCHMARK(BM_ListMemory)
    ->ArgsProduct({{10000, 100000}, {0, 1}})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

void BM_FirstScreen(benchmark::State& state) {
    const int count = int(state.range(0));
    const QStringList names = CameraFiles(count, false);
    for (auto _ : state) {
        state.PauseTiming();
        TProgram program;
        // The decoder processes start with the first renderings: they are under way before the figure.
        program.Add(names.mid(0, 8));
        program.WaitForRenderings();
        program.Add(names.mid(8));
        state.ResumeTiming();
        program.View().scrollToBottom();
        while (!program.ScreenAtHand()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
    }
}
BENCHMARK(BM_FirstScreen)->Arg(100)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

// A private per-user folder, on the offscreen platform.
int main(int argc, char** argv) {
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit());
    qputenv("XDG_CACHE_HOME", home.filePath(QStringLiteral("cache")).toLocal8Bit());
    return RunBenchmarksWithWidgets(argc, argv);
}

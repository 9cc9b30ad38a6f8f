// Reading an image list file and adding every picture it names, as "Load Image List..." does: the
// progress window updates and pending events run after each file, and the list is on screen in
// chosen view. Thumbnail work is replaced by a fake that hands every entry the placeholder, so the
// figure is the list's own cost. Run with QT_QPA_PLATFORM=offscreen.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

#include "AddingLoops.h"
#include "ImageList.h"
#include "ImageListFile.h"
#include "Lister.h"
#include "PeakMemory.h"
#include "ProgressWindow.h"
#include "WidgetsBenchmarkMain.h"

namespace {

class TPlaceholderOnly : public TImageListHooks {
public:
    explicit TPlaceholderOnly(TImageList*& list) : List(list) {}
    void OpenThumbDatabase(const QString&) override {}
    qint32 AcquireThumbnail(const QString&) override {
        return List->ImageListThumbnails().AddPlaceholder(Placeholder);
    }

private:
    TImageList*& List;
    QPixmap Placeholder{160, 120};
};

// A folder of `count` (empty) picture files and a list file naming them all.
class TPictureFolder {
public:
    explicit TPictureFolder(int count) {
        QStringList names;
        for (int i = 0; i < count; ++i) {
            const QString name =
                Folder.filePath(QStringLiteral("IMG_%1.JPG").arg(i, 6, 10, QLatin1Char('0')));
            QFile(name).open(QIODevice::WriteOnly);
            names.append(name);
        }
        ListFile = Folder.filePath(QStringLiteral("list.txt"));
        WriteImageListFile(ListFile, names);
    }
    QTemporaryDir Folder;
    QString ListFile;
};

void BM_LoadImageList(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const TPictureFolder pictures(count);
    for (auto _ : state) {
        state.PauseTiming();
        TImageList* list = nullptr;
        TPlaceholderOnly hooks(list);
        auto images = std::make_unique<TImageList>(hooks);
        list = images.get();
        TLister lister(images->Model(), images->Selection());
        lister.SetViewMode(state.range(1) == 0 ? TListViewMode::List : TListViewMode::Thumbnails);
        images->SetViewMode(lister.ViewMode());
        lister.resize(1200, 900);
        lister.show();
        TFormProgress progress(nullptr);
        state.ResumeTiming();

        ReadImageListFile(pictures.ListFile, *images, progress);
        QCoreApplication::processEvents();

        state.PauseTiming();
        if (images->Count() != count) {
            state.SkipWithError("not every file was added");
        }
        state.ResumeTiming();
    }
    state.counters["files/s"] = benchmark::Counter(count, benchmark::Counter::kIsIterationInvariantRate);
}
// Arguments: the number of files, and the view (0 list view, 1 thumbnail view).
BENCHMARK(BM_LoadImageList)
    ->ArgsProduct({{1000, 10000, 100000}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The memory a long list takes: the resident set after a list file of `count` lines naming existing
// files was read and every file added (thumbnail view, placeholders only: the thumbnails' own memory is
// bench_list_memory's), less the resident set before.
void BM_LongListMemory(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const TPictureFolder pictures(count);
    for (auto _ : state) {
        TImageList* list = nullptr;
        TPlaceholderOnly hooks(list);
        auto images = std::make_unique<TImageList>(hooks);
        list = images.get();
        TLister lister(images->Model(), images->Selection());
        images->SetViewMode(TListViewMode::Thumbnails);
        lister.resize(1200, 900);
        lister.show();
        TFormProgress progress(nullptr);
        QCoreApplication::processEvents();
        const qint64 grown = testsupport::PeakResidentGrowth([&] {
            ReadImageListFile(pictures.ListFile, *images, progress);
            QCoreApplication::processEvents();
        });
        state.counters["peak_MB"] = double(grown) / (1 << 20);
        state.counters["peak_per_entry_B"] = double(grown) / count;
        if (images->Count() != count) {
            state.SkipWithError("not every file was added");
        }
    }
}
BENCHMARK(BM_LongListMemory)
    ->Arg(100000)
    ->Arg(1000000)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    return RunBenchmarksWithWidgets(argc, argv);
}

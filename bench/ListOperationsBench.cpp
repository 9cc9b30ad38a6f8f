// The image list's commands and the views' reaction to them on long lists: each benchmark times one
// operation as the operator feels it, from the command (a key on the view, a list command, a thumbnail
// arriving) until the shown view has painted and no event is left to handle. The list is shown in a
// TLister of 1,200 x 900 in list view or in thumbnail view; every entry shows one shared placeholder
// thumbnail, so the figures are the list's and the views' own cost, not the pictures'.
//
// The goal: every operation takes less than about 100 ms at 100,000 entries in both views.
//
//   build/bin/bench_list_operations --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//
// (on the offscreen platform unless QT_QPA_PLATFORM says otherwise; --benchmark_filter=BM_Shuffle/100000
// picks some).
//
// Arguments: the number of entries, and the view (0 list view, 1 thumbnail view). A list of each size
// and view is made once and kept for the whole run; commands that shrink it put new entries back while
// the clock is stopped. A scattered selection is 1,000 entries spread evenly (every 10th of 10,000,
// every 100th of 100,000). BM_FirstShow makes its list afresh: it times showing a full list for the
// first time, and its counter max_step_ms is the longest the event loop was kept busy at a stretch.
#include <benchmark/benchmark.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QKeyEvent>
#include <QListView>
#include <QScrollBar>

#include <algorithm>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "BenchPhotographs.h"
#include "ImageList.h"
#include "Lister.h"
#include "WidgetsBenchmarkMain.h"

namespace {

// Entries are added straight to the model, without files on disk, so nothing asks for thumbnails.
class TNoHooks : public TImageListHooks {
public:
    void OpenThumbDatabase(const QString&) override {}
    qint32 AcquireThumbnail(const QString&) override { return 0; }
};

using benchsupport::TPaintCounter;

// Handles events until none is left; returns the longest single pass of the event loop in ms.
double RunUntilIdle() {
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    double longest = 0;
    QElapsedTimer pass;
    for (;;) {
        pass.start();
        const bool handled = dispatcher->processEvents(QEventLoop::AllEvents);
        longest = std::max(longest, pass.nsecsElapsed() / 1e6);
        if (!handled) {
            return longest;
        }
    }
}

// Handles events until the widget has painted once more than `before`, then until none is left.
double RunPastPaint(const TPaintCounter& paints, int before) {
    double longest = 0;
    QElapsedTimer pass;
    while (paints.Paints == before) {
        pass.start();
        QApplication::processEvents();
        longest = std::max(longest, pass.nsecsElapsed() / 1e6);
    }
    return std::max(longest, RunUntilIdle());
}

void AppendEntries(TImageList& list, int count) {
    static const QPixmap placeholder = [] {
        QPixmap pixmap(TThumbnailImages::ImageSize);
        pixmap.fill(Qt::lightGray);
        return pixmap;
    }();
    const int systemIcon = list.SystemIcons().IndexOf(QStringLiteral("IMG.JPG"));
    for (int i = 0; i < count; ++i) {
        auto record = std::make_unique<TFileData>();
        record->FileName = QStringLiteral("/pictures/IMG_%1.JPG").arg(list.Count(), 6, 10, QLatin1Char('0'));
        record->SystemIconIndex = systemIcon;
        record->ThumbnailIndex = list.ImageListThumbnails().AddPlaceholder(placeholder);
        list.Model().Append(std::move(record));
    }
}

TListViewMode ModeOf(const benchmark::State& state) {
    return state.range(1) == 0 ? TListViewMode::List : TListViewMode::Thumbnails;
}

// A list of `count` entries shown in a TLister in `mode`, as the main window shows it.
struct TShownList {
    TShownList(int count, TListViewMode mode) {
        List.SetViewMode(mode);
        AppendEntries(List, count);
        Lister = std::make_unique<TLister>(List.Model(), List.Selection());
        Lister->SetViewMode(mode);
        Lister->resize(1200, 900);
        Lister->show();
        View = static_cast<QListView*>(Lister->CurrentView());
        Paints = std::make_unique<TPaintCounter>(View->viewport());
        RunPastPaint(*Paints, 0);
    }

    // Leaves the list with `count` entries, nothing selected, the current entry and the view at `row`.
    void Reset(int count, int row) {
        if (List.Count() < count) {
            AppendEntries(List, count - List.Count());
        }
        List.Selection().clear();
        List.Selection().setCurrentIndex(List.Model().index(row), QItemSelectionModel::NoUpdate);
        View->scrollTo(List.Model().index(row), QAbstractItemView::PositionAtCenter);
        RunUntilIdle();
    }

    // Handles events until the view has painted since `paintsBefore` and nothing is left to do.
    void SettleAfter(int paintsBefore) { RunPastPaint(*Paints, paintsBefore); }

    void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent press(QEvent::KeyPress, key, modifiers);
        QCoreApplication::sendEvent(View, &press);
        QKeyEvent release(QEvent::KeyRelease, key, modifiers);
        QCoreApplication::sendEvent(View, &release);
    }

    void SelectEvery(int step, int first, int count) {
        std::vector<bool> selected(List.Count(), false);
        for (int i = 0, row = first; i < count && row < List.Count(); ++i, row += step) {
            selected[row] = true;
        }
        List.SetSelectionFlags(selected);
        RunUntilIdle();
    }

    TNoHooks Hooks;
    TImageList List{Hooks};
    std::unique_ptr<TLister> Lister;
    QListView* View = nullptr;
    std::unique_ptr<TPaintCounter> Paints;
};

// The lists made so far, kept until the application goes.
std::map<std::pair<int, int>, std::unique_ptr<TShownList>>& ShownLists() {
    static std::map<std::pair<int, int>, std::unique_ptr<TShownList>> lists;
    return lists;
}

TShownList& ShownList(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    auto& lists = ShownLists();
    if (lists.empty()) {
        qAddPostRoutine([] { ShownLists().clear(); });  // while the application still has its windows
    }
    auto& list = lists[{count, static_cast<int>(state.range(1))}];
    if (!list) {
        list = std::make_unique<TShownList>(count, ModeOf(state));
    }
    list->Reset(count, count / 2);
    return *list;
}

int Count(const benchmark::State& state) {
    return static_cast<int>(state.range(0));
}

// 1,000 selected entries spread evenly over the list.
constexpr int SelectedCount = 1000;

// Page Down from the middle of the list on: the current entry goes a page further and the view follows.
void BM_PageDownKey(benchmark::State& state) {
    TShownList& list = ShownList(state);
    for (auto _ : state) {
        if (list.List.Selection().currentIndex().row() > Count(state) * 3 / 4) {
            state.PauseTiming();
            list.Reset(Count(state), Count(state) / 2);
            state.ResumeTiming();
        }
        const int before = list.Paints->Paints;
        list.Press(Qt::Key_PageDown);
        list.SettleAfter(before);
    }
}

void BM_ScrollBarPageStep(benchmark::State& state) {
    TShownList& list = ShownList(state);
    QScrollBar* bar = list.View->verticalScrollBar();
    int step = 0;
    for (auto _ : state) {
        const int before = list.Paints->Paints;
        bar->triggerAction(step++ % 2 == 0 ? QAbstractSlider::SliderPageStepAdd
                                           : QAbstractSlider::SliderPageStepSub);
        list.SettleAfter(before);
    }
}

// End, then Home: the current entry goes to the last row and back to the first.
void BM_EndAndHomeKeys(benchmark::State& state) {
    TShownList& list = ShownList(state);
    for (auto _ : state) {
        int before = list.Paints->Paints;
        list.Press(Qt::Key_End);
        list.SettleAfter(before);
        before = list.Paints->Paints;
        list.Press(Qt::Key_Home);
        list.SettleAfter(before);
    }
}

void BM_SelectAllKey(benchmark::State& state) {
    TShownList& list = ShownList(state);
    for (auto _ : state) {
        const int before = list.Paints->Paints;
        list.Press(Qt::Key_A, Qt::ControlModifier);
        list.SettleAfter(before);
        state.PauseTiming();
        if (list.List.Selection().selection().size() != 1 ||
            list.List.Selection().selection().front().height() != list.List.Count()) {
            state.SkipWithError("Ctrl+A did not select every entry");
        }
        list.List.Selection().clearSelection();
        RunUntilIdle();
        state.ResumeTiming();
    }
}

// Moves the selection up and down in turn, and scrolls to it as the main window does.
void MoveBackAndForth(benchmark::State& state, TShownList& list) {
    int step = 0;
    for (auto _ : state) {
        const int before = list.Paints->Paints;
        const int row = step++ % 2 == 0 ? list.List.MoveSelectedUp() : list.List.MoveSelectedDown();
        if (row >= 0) {
            list.Lister->ScrollTo(row);
            list.SettleAfter(before);
        } else {
            RunUntilIdle();
        }
    }
}

void BM_MoveScatteredSelection(benchmark::State& state) {
    TShownList& list = ShownList(state);
    const int step = Count(state) / SelectedCount;
    list.SelectEvery(step, step / 2, SelectedCount);
    MoveBackAndForth(state, list);
}

// Every entry selected: neither move can go anywhere, and finding that out is the whole cost.
void BM_MoveAllSelected(benchmark::State& state) {
    TShownList& list = ShownList(state);
    list.SelectEvery(1, 0, Count(state));
    MoveBackAndForth(state, list);
}

// Every entry but the first selected: each move carries the whole list one place.
void BM_MoveAllButOneSelected(benchmark::State& state) {
    TShownList& list = ShownList(state);
    list.SelectEvery(1, 1, Count(state) - 1);
    MoveBackAndForth(state, list);
}

void BM_Shuffle(benchmark::State& state) {
    TShownList& list = ShownList(state);
    list.SelectEvery(Count(state) / SelectedCount, 0, SelectedCount);
    for (auto _ : state) {
        const int before = list.Paints->Paints;
        list.List.RandomizeImageList();
        list.SettleAfter(before);
    }
}

void DeleteSelection(benchmark::State& state, int step, int first) {
    TShownList& list = ShownList(state);
    for (auto _ : state) {
        state.PauseTiming();
        list.Reset(Count(state), Count(state) / 2);
        list.SelectEvery(step, first, SelectedCount);
        const int before = list.Paints->Paints;
        state.ResumeTiming();

        list.List.DeleteSelected();
        list.SettleAfter(before);

        state.PauseTiming();
        if (list.List.Count() != Count(state) - SelectedCount) {
            state.SkipWithError("the selection was not deleted");
        }
        state.ResumeTiming();
    }
}

void BM_DeleteScattered(benchmark::State& state) {
    DeleteSelection(state, Count(state) / SelectedCount, 0);
}

void BM_DeleteBlock(benchmark::State& state) {
    DeleteSelection(state, 1, Count(state) / 2);
}

// 1,000 thumbnails arrive, for entries spread over the list (a few of them on screen): the model
// tells the views of each. The store's own work with the images is left out.
void BM_ThumbnailsArrive(benchmark::State& state) {
    TShownList& list = ShownList(state);
    const int step = Count(state) / SelectedCount;
    for (auto _ : state) {
        for (int i = 0; i < SelectedCount; ++i) {
            list.List.Model().ThumbnailReplaced(list.List.Model().Record(i * step).ThumbnailIndex);
        }
        RunUntilIdle();
    }
}

// "Locate current image" for the last entry, scrolled to as the main window does.
void BM_LocateCurrentImage(benchmark::State& state) {
    TShownList& list = ShownList(state);
    list.List.CurrentImage = list.List.FileName(list.List.Count() - 1);
    for (auto _ : state) {
        // Between two locates the view goes back to the top, so that each one scrolls and repaints.
        state.PauseTiming();
        list.View->scrollToTop();
        RunUntilIdle();
        const int before = list.Paints->Paints;
        state.ResumeTiming();

        const int row = list.List.LocateCurrentImage();
        list.Lister->ScrollTo(row);
        list.SettleAfter(before);
    }
}

// Switching to the view of the argument from the other one, as the view buttons of the main window do.
void BM_SwitchView(benchmark::State& state) {
    TShownList& list = ShownList(state);
    const auto show = [&list](TListViewMode mode) {
        list.Lister->SetViewMode(mode);
        list.List.SetViewMode(mode);
        if (mode == TListViewMode::List) {
            list.List.ApplyListImages();
        } else {
            list.List.ApplyThumbnailImages();
        }
    };
    const TListViewMode mode = ModeOf(state);
    const TListViewMode other = mode == TListViewMode::List ? TListViewMode::Thumbnails : TListViewMode::List;
    const TPaintCounter otherPaints(list.Lister->widget(mode == TListViewMode::List ? 1 : 0));
    for (auto _ : state) {
        state.PauseTiming();
        const int otherBefore = otherPaints.Paints;
        show(other);
        RunPastPaint(otherPaints, otherBefore);
        const int before = list.Paints->Paints;
        state.ResumeTiming();

        show(mode);
        list.SettleAfter(before);
    }
}

// A full list shown for the first time: the views lay out every entry.
void BM_FirstShow(benchmark::State& state) {
    double longestStep = 0;
    for (auto _ : state) {
        state.PauseTiming();
        TNoHooks hooks;
        auto list = std::make_unique<TImageList>(hooks);
        list->SetViewMode(ModeOf(state));
        AppendEntries(*list, Count(state));
        state.ResumeTiming();

        auto lister = std::make_unique<TLister>(list->Model(), list->Selection());
        lister->SetViewMode(ModeOf(state));
        lister->resize(1200, 900);
        const TPaintCounter paints(lister->CurrentView()->viewport());
        lister->show();
        longestStep = std::max(longestStep, RunPastPaint(paints, 0));

        state.PauseTiming();
        lister.reset();
        list.reset();
        RunUntilIdle();
        state.ResumeTiming();
    }
    state.counters["max_step_ms"] = longestStep;
}

void Sizes(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgsProduct({{10000, 100000}, {0, 1}})->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(BM_PageDownKey)->Apply(Sizes);
BENCHMARK(BM_ScrollBarPageStep)->Apply(Sizes);
BENCHMARK(BM_EndAndHomeKeys)->Apply(Sizes);
BENCHMARK(BM_SelectAllKey)->Apply(Sizes);
BENCHMARK(BM_MoveScatteredSelection)->Apply(Sizes);
BENCHMARK(BM_MoveAllSelected)->Apply(Sizes);
BENCHMARK(BM_MoveAllButOneSelected)->Apply(Sizes);
BENCHMARK(BM_Shuffle)->Apply(Sizes);
BENCHMARK(BM_DeleteScattered)->Apply(Sizes);
BENCHMARK(BM_DeleteBlock)->Apply(Sizes);
BENCHMARK(BM_ThumbnailsArrive)->Apply(Sizes);
BENCHMARK(BM_LocateCurrentImage)->Apply(Sizes);
BENCHMARK(BM_SwitchView)->Apply(Sizes);
BENCHMARK(BM_FirstShow)->Apply(Sizes);

}  // namespace

int main(int argc, char** argv) {
    return RunBenchmarksWithWidgets(argc, argv);
}

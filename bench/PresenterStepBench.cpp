// A step of the show with the presenter view open against the same step without it, in the same run: two
// 24-megapixel camera photographs (CameraJpeg.h) shown in turn on a 1920 x 1080 audience monitor, the
// main window and the presenter window on the other 1920 x 1080 monitor (the offscreen platform with two
// monitors; no X server in the figure).
//
//   build/bin/bench_presenter_step --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
//       --benchmark_enable_random_interleaving=true
//
// One iteration is "Slideshow next image" up to the end of everything it causes: the audience window's
// paint of the new picture and, with the presenter open, its deferred update (the mirror made from the
// audience window's fitted copy, the next picture from its thumbnail, the texts and the strip) and its
// paint. The figure that matters is the median of BM_StepPresenterOpen over that of
// BM_StepPresenterClosed: at most 1.05.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QToolButton>

#include <memory>

#include "BenchPhotographs.h"
#include "BrowserLibrary.h"
#include "FileMaker.h"
#include "Preview.h"
#include "UnitMain.h"
#include "presenter/Presenter.h"

namespace {

using benchsupport::TPaintCounter;

// The program's main window with the show running on the second monitor, stepped by hand.
struct TRunningShow {
    TBrowserLibrary NoBrowser;
    std::unique_ptr<TFormMain> Window;
    std::unique_ptr<TPaintCounter> Counter;

    TRunningShow() {
        TFormMain::CheckForUpdateAtStartUp = false;
        Window = std::make_unique<TFormMain>(NoBrowser);
        FormPreview = new TFormPreview();
        Window->ConnectPreview(*FormPreview);
        for (const QString& file :
             benchsupport::CameraPhotographs(QStringLiteral("orvalis-presenter-bench"), 2, 6000, 4000, 6)) {
            Window->AddImageFile(file);
        }
        const QRect own = QGuiApplication::screens().at(0)->geometry();
        Window->setGeometry(own.adjusted(0, 0, 0, -40));
        Window->show();
        QCursor::setPos(own.center());
        Window->ToolButtonPlaySlideshow->click();
        // Stepped by hand only: no tick of the automatic advance falls into a figure.
        Window->Slideshow().TimerSlideShow.stop();
        Counter = std::make_unique<TPaintCounter>(FormPreview->ImgView32Preview);
        Settle();
    }
    ~TRunningShow() {
        Window->close();
        delete FormPreview;
        FormPreview = nullptr;
        Window.reset();
    }
    // Everything the step set in motion has run: the audience window painted, the presenter updated.
    void Settle() {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
        }
    }
    void Step() {
        const int painted = Counter->Paints;
        Window->ToolButtonSlideshowNextClick();
        Counter->WaitPastPaint(painted);
        Settle();
    }
};

void StepWith(benchmark::State& state, bool presenter) {
    TRunningShow show;
    if (presenter) {
        show.Window->Presenter().Open();
    } else {
        show.Window->Presenter().Close();
    }
    show.Settle();
    TFormPresenter* window = show.Window->Presenter().Window();
    if (presenter != (window != nullptr && window->isVisible())) {
        state.SkipWithError("the presenter window is not as the benchmark needs it");
        return;
    }
    for (auto _ : state) {
        show.Step();
    }
}

void BM_StepPresenterClosed(benchmark::State& state) {
    StepWith(state, false);
}

void BM_StepPresenterOpen(benchmark::State& state) {
    StepWith(state, true);
}

}  // namespace

BENCHMARK(BM_StepPresenterClosed)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StepPresenterOpen)->Unit(benchmark::kMillisecond)->UseRealTime();

// Two monitors of 1920 x 1080 side by side on the offscreen platform, and a private per-user folder.
int main(int argc, char** argv) {
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit());
    const QString screens = home.filePath(QStringLiteral("screens.json"));
    testsupport::MakeFile(screens, QByteArray(R"({"screens": [
        {"name": "DP-1", "x": 0, "y": 0, "width": 1920, "height": 1080, "logicalDpi": 96},
        {"name": "HDMI-1", "x": 1920, "y": 0, "width": 1920, "height": 1080, "logicalDpi": 96}]})"));
    qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + screens).toLocal8Bit());
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

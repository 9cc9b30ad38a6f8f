// Thumbnails of a folder of camera photographs through the worker threads, against the ideal of every
// logical processor rendering all the time, and against Pillow and vipsthumbnail on the same files. The
// files are twelve-megapixel JPEGs as a camera writes them (4000 x 3000, fine detail and sensor noise,
// quality 90, 4:2:0, camera EXIF; CameraJpeg.h), made once in the temporary folder and kept there.
//
//   build/bin/bench_thumbnail_workers [--files=200] --benchmark_repetitions=5
//   --benchmark_report_aggregates_only=true --benchmark_enable_random_interleaving=true
//
// BM_RenderOneFile          one RenderThumbnail of one file (the program's route, with the generic
//                           decoder in its processes as at start-up), wall time and the processor time of
//                           the whole process; BM_RenderOneFileInProcessGeneric the same with FreeImage
//                           bound in this process, decoded and fitted here as the decoder process does;
//                           BM_RenderOneFileRegistryOnly with the JPEG reader of the picture-format
//                           registry instead of the generic decoder.
// BM_WorkersAllFiles        from posting the first request to applying the last result (a pixmap made
//                           of it, as the image list keeps it); BM_WorkersAllFilesInProcessGeneric the
//                           same with FreeImage bound in this process. Counters: files_per_s; t1_ms, the
//                           single-thread time of one rendering (processor time, median of five) measured
//                           at the start of each repetition; ideal_s = files x t1 / logical processors;
//                           vs_ideal = time / ideal_s. The processor time is this process's: on the
//                           program's route the decoder processes do the work, so t1 and vs_ideal mean
//                           something only for the in-process variant.
// BM_PillowThumbnailAllFiles  Pillow's everyday thumbnail after a full decode (Image.open, load(),
//                           thumbnail((160, 120), LANCZOS), which box-reduces by a whole factor before its
//                           Lanczos pass), one Python process per logical processor with its share of the
//                           files, from the first start to the last exit. BM_PillowResizeAllFiles the same
//                           with Pillow's exact resize(..., LANCZOS) to the fitted size.
// BM_VipsthumbnailAllFiles  "vipsthumbnail --size 160x120" over the same files, in the same way.
//
// The rate that matters is files_per_s of BM_WorkersAllFiles against that of BM_PillowThumbnailAllFiles.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPixmap>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <vector>

#include "CameraJpeg.h"
#include "FileMaker.h"
#include "FitThumbnail.h"
#include "FreeImageBinding.h"
#include "FreeImageLoader.h"
#include "Pillow.h"
#include "ThumbnailerThread.h"
#include "ThumbnailsProcessing.h"

namespace {

constexpr int Width = 4000, Height = 3000;
int FileCount = 200;

QString Folder() {
    return QDir::tempPath() + QStringLiteral("/orvalis-thumbnail-workers-bench-camera/");
}

// The files, made on the first call where missing (on every core, since there are many).
const QStringList& Files() {
    static const QStringList files = [] {
        QDir().mkpath(Folder());
        QStringList paths;
        for (int i = 0; i < FileCount; ++i) {
            paths << Folder() + QStringLiteral("IMG_%1.JPG").arg(i, 4, 10, QLatin1Char('0'));
        }
        for (int i = 0; i < int(paths.size()); ++i) {
            if (!QFile::exists(paths[i])) {
                testsupport::MakeFile(
                    paths[i] + QStringLiteral(".part"),
                    testsupport::CameraJpeg(testsupport::CameraLikePicture(Width, Height, i), 1));
                QFile::rename(paths[i] + QStringLiteral(".part"), paths[i]);
            }
        }
        return paths;
    }();
    return files;
}

void RenderOne(benchmark::State& state, const TThumbnailDecoders& decoders) {
    const QString file = Files().front();
    for (auto _ : state) {
        QImage bitmap;
        RenderThumbnail(file, bitmap, Qt::white, decoders);
        benchmark::DoNotOptimize(bitmap);
    }
}

void BM_RenderOneFile(benchmark::State& state) {
    RenderOne(state, StandardThumbnailDecoders());
}

// The generic decoder bound in this process, as the program had it before its decoder processes: the
// picture decoded, reduced and fitted here as the decoder process does it.
const TThumbnailDecoders& InProcessGenericDecoders() {
    static const TGenericDecoder binding(GenericDecoderLibrary);
    static const TThumbnailDecoders decoders = [] {
        TThumbnailDecoders route = StandardThumbnailDecoders();
        route.Generic = [](const QString& path, QSize box, const QColor& background, QImage& thumbnail) {
            QImage reduced;
            QSize size;
            return binding.LoadReduced(path, box, reduced, size) &&
                   FitReducedThumbnail(reduced, size, thumbnail, box.width(), box.height(), background);
        };
        return route;
    }();
    return decoders;
}

void BM_RenderOneFileInProcessGeneric(benchmark::State& state) {
    RenderOne(state, InProcessGenericDecoders());
}

void BM_RenderOneFileRegistryOnly(benchmark::State& state) {
    TThumbnailDecoders decoders = StandardThumbnailDecoders();
    decoders.Generic = [](const QString&, QSize, const QColor&, QImage&) { return false; };
    RenderOne(state, decoders);
}

// The processor time the whole process has used, in seconds.
double ProcessSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// The single-thread time of one rendering: the median of five, each counted as the processor time the
// process spends on it, since the resampler splits a large picture over the cores by itself.
double SingleRenderSeconds(const TThumbnailDecoders& decoders) {
    std::vector<double> times;
    for (int i = 0; i < 5; ++i) {
        const double start = ProcessSeconds();
        QImage bitmap;
        RenderThumbnail(Files()[i % Files().size()], bitmap, Qt::white, decoders);
        times.push_back(ProcessSeconds() - start);
    }
    std::nth_element(times.begin(), times.begin() + 2, times.end());
    return times[2];
}

// Applies results as the main window does (a pixmap per image index) and ends the loop with the last.
class TResultApplier : public QObject {
public:
    explicit TResultApplier(int count) : Applied(count) {}
    bool event(QEvent* event) override {
        if (auto packet = TakeThumbPacket(event)) {
            Applied[packet->ImageIndex] = QPixmap::fromImage(packet->Bitmap);
            if (++Count == int(Applied.size())) {
                Loop.quit();
            }
            return true;
        }
        return QObject::event(event);
    }
    std::vector<QPixmap> Applied;
    int Count = 0;
    QEventLoop Loop;
};

void WorkersAllFiles(benchmark::State& state, const TThumbnailDecoders& decoders) {
    const QStringList& files = Files();
    const double t1 = SingleRenderSeconds(decoders);
    const double ideal = files.size() * t1 / LogicalProcessorCount();
    double ratio = 0;
    for (auto _ : state) {
        TResultApplier applier(int(files.size()));
        TThumbnailThreadControl control(
            &applier, Qt::white, LogicalProcessorCount(),
            [&decoders](const QString& file, QImage& bitmap, const QColor& colour) {
                return RenderThumbnail(file, bitmap, colour, decoders);
            });
        control.Start();
        QTimer::singleShot(600000, &applier.Loop, &QEventLoop::quit);  // a broken build ends here
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < int(files.size()); ++i) {
            PostThumbRequest(control.ControlWindow(), std::make_unique<TThumbFileInfoData>(
                                                          TThumbFileInfoData{files[i], i, 0, Qt::white}));
        }
        applier.Loop.exec();
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        if (applier.Count != int(files.size())) {
            state.SkipWithError("not every result arrived");
            break;
        }
        state.SetIterationTime(seconds);
        state.counters["files_per_s"] = files.size() / seconds;
        ratio = seconds / ideal;
    }
    state.counters["t1_ms"] = t1 * 1000;
    state.counters["ideal_s"] = ideal;
    state.counters["vs_ideal"] = ratio;
    state.counters["processors"] = LogicalProcessorCount();
}

void BM_WorkersAllFiles(benchmark::State& state) {
    WorkersAllFiles(state, StandardThumbnailDecoders());
}

void BM_WorkersAllFilesInProcessGeneric(benchmark::State& state) {
    WorkersAllFiles(state, InProcessGenericDecoders());
}

// Runs `program` once per logical processor, each with `arguments` and its share of the files, and
// reports the time from the first start to the last exit.
void ProcessesOverAllFiles(benchmark::State& state, const QString& program, const QStringList& arguments,
                           const char* missing) {
    const QStringList& files = Files();
    const int processes = LogicalProcessorCount();
    for (auto _ : state) {
        std::vector<std::unique_ptr<QProcess>> running;
        QElapsedTimer clock;
        clock.start();
        for (int p = 0; p < processes; ++p) {
            QStringList share = arguments;
            for (int i = p; i < int(files.size()); i += processes) {
                share << files[i];
            }
            running.push_back(std::make_unique<QProcess>());
            running.back()->start(program, share);
        }
        bool failed = false;
        for (auto& process : running) {
            failed |= !process->waitForFinished(-1) || process->exitStatus() != QProcess::NormalExit ||
                      process->exitCode() != 0;
        }
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        if (failed) {
            state.SkipWithError(missing);
            break;
        }
        state.SetIterationTime(seconds);
        state.counters["files_per_s"] = files.size() / seconds;
    }
}

// Pillow over the files given after the mode: "thumbnail" is the everyday thumbnail, "resize" the exact
// Lanczos resize to the size the thumbnail box fits; both after a full decode.
const char* const PillowScript = R"(
import sys
from PIL import Image
lanczos = Image.Resampling.LANCZOS if hasattr(Image, "Resampling") else Image.LANCZOS
for path in sys.argv[2:]:
    im = Image.open(path)
    im.load()
    if sys.argv[1] == "thumbnail":
        im.thumbnail((160, 120), lanczos)
    else:
        f = min(160 / im.width, 120 / im.height)
        im = im.resize((max(1, int(im.width * f)), max(1, int(im.height * f))), lanczos)
)";

void PillowAllFiles(benchmark::State& state, const char* mode) {
    const QString python = testsupport::PythonWithPillow();
    if (python.isEmpty()) {
        state.SkipWithError("python3-pil is not installed");
        return;
    }
    ProcessesOverAllFiles(state, python,
                          {QStringLiteral("-c"), QLatin1String(PillowScript), QLatin1String(mode)},
                          "Pillow failed");
}

void BM_PillowThumbnailAllFiles(benchmark::State& state) {
    PillowAllFiles(state, "thumbnail");
}

void BM_PillowResizeAllFiles(benchmark::State& state) {
    PillowAllFiles(state, "resize");
}

void BM_VipsthumbnailAllFiles(benchmark::State& state) {
    const QString output = Folder() + QStringLiteral("vips/");
    QDir().mkpath(output);
    ProcessesOverAllFiles(state, QStringLiteral("vipsthumbnail"),
                          {QStringLiteral("--size"), QStringLiteral("160x120"), QStringLiteral("-o"),
                           output + QStringLiteral("%s.jpg")},
                          "vipsthumbnail failed or is not installed (Debian: libvips-tools)");
}

BENCHMARK(BM_RenderOneFile)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(BM_RenderOneFileInProcessGeneric)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(BM_RenderOneFileRegistryOnly)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(BM_WorkersAllFiles)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_WorkersAllFilesInProcessGeneric)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_PillowThumbnailAllFiles)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_PillowResizeAllFiles)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_VipsthumbnailAllFiles)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // --files=N is this program's own; everything else goes to Google Benchmark.
    std::vector<char*> arguments;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--files=", 8) == 0) {
            FileCount = std::max(1, std::atoi(argv[i] + 8));
        } else {
            arguments.push_back(argv[i]);
        }
    }
    int qtArgc = 1;
    QGuiApplication application(qtArgc, argv);
    InitGenericDecoder();  // as the program binds it at start-up

    int benchmarkArgc = int(arguments.size());
    benchmark::Initialize(&benchmarkArgc, arguments.data());
    if (benchmark::ReportUnrecognizedArguments(benchmarkArgc, arguments.data())) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

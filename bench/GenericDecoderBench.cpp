// What the decoder processes cost the show: a picture that only the generic decoder reads, decoded by
// FreeImage bound in this process (as the program had it before) and through the program's pool of
// decoder processes, in the same run. Both read every page of the picture once afterwards, as the fit
// that follows does.
//
//   build/bin/bench_generic_decoder --benchmark_repetitions=9 --benchmark_report_aggregates_only=true
//       --benchmark_enable_random_interleaving=true
//
// The ratio of the medians of BM_GenericProcess and BM_GenericInProcess for each file is the extra cost
// of the process on the show's road. The files: a 24-megapixel Photoshop picture and a 24-megapixel
// PCX picture of a camera's photograph (CameraPicture.h).
#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include "CameraPicture.h"
#include "FreeImageBinding.h"
#include "FreeImageLoader.h"
#include "PictureFiles.h"

namespace {

// The file of the given kind, made on first use and kept in the temporary folder.
QString File(const QString& extension) {
    const QString folder = QDir::tempPath() + QStringLiteral("/orvalis-generic-decoder-bench/");
    const QString path = folder + QStringLiteral("camera24mp.") + extension;
    if (!QFile::exists(path)) {
        static const QImage picture = testsupport::CameraLikePicture(6000, 4000);
        QDir().mkpath(folder);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(extension == QLatin1String("psd") ? picturetest::Photoshop(picture)
                                                     : picturetest::Pcx(picture));
    }
    return path;
}

// Reads one byte of every page, so that a mapped picture pays for its page faults here.
int TouchEveryPage(const QImage& picture) {
    const uchar* bytes = picture.constBits();
    int sum = 0;
    for (qsizetype at = 0; at < picture.sizeInBytes(); at += 4096) {
        sum += bytes[at];
    }
    return sum;
}

template <class Decode>
void Run(benchmark::State& state, const QString& extension, Decode decode) {
    const QString path = File(extension);
    for (auto _ : state) {
        QImage picture;
        if (!decode(path, picture)) {
            state.SkipWithError("FreeImage (libfreeimage3) or orvalis-decoder is missing");
            break;
        }
        benchmark::DoNotOptimize(TouchEveryPage(picture));
    }
}

void BM_GenericInProcess(benchmark::State& state, const char* extension) {
    static const TGenericDecoder binding(GenericDecoderLibrary);
    Run(state, QString::fromLatin1(extension),
        [](const QString& path, QImage& picture) { return binding.Load(path, picture); });
}

void BM_GenericProcess(benchmark::State& state, const char* extension) {
    Run(state, QString::fromLatin1(extension),
        [](const QString& path, QImage& picture) { return LoadWithGenericDecoder(path, picture); });
}

BENCHMARK_CAPTURE(BM_GenericInProcess, psd, "psd")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_GenericProcess, psd, "psd")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_GenericInProcess, pcx, "pcx")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_GenericProcess, pcx, "pcx")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    int qtArgc = 1;
    QGuiApplication application(qtArgc, argv);
    InitGenericDecoder();  // as the program does at start-up

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Decoding speed through the picture-format registry against the libraries' own tools on the same
// files in the same run: a 24-megapixel JPEG against tjbench (decode only, in process) and djpeg (a whole
// process, file to /dev/null), a 12-megapixel JP2 against opj_decompress (its own decode time, and the
// whole process).
//
//   build/bin/bench_decoders --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//
// The medians of BM_RegistryJpeg and BM_TjbenchJpeg give the JPEG ratio, those of BM_RegistryJpeg2000
// and BM_OpjDecompressJpeg2000 the JPEG 2000 ratio.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QImage>

#include <cstdio>
#include <cstdlib>

#include "CameraJpeg.h"
#include "FileMaker.h"
#include "FormatRegistry.h"
#include "Jpeg2000Bitmap.h"

namespace {

QString Folder() {
    return QDir::tempPath() + QStringLiteral("/orvalis-decoders-bench/");
}

const QString& JpegFile() {
    static const QString path = [] {
        QDir().mkpath(Folder());
        const QString file = Folder() + QStringLiteral("camera24mp.jpg");
        if (!QFile::exists(file)) {
            testsupport::MakeFile(file,
                                  testsupport::CameraJpeg(testsupport::CameraLikePicture(6000, 4000), 6));
        }
        return file;
    }();
    return path;
}

const QString& Jpeg2000File() {
    static const QString path = [] {
        QDir().mkpath(Folder());
        const QString file = Folder() + QStringLiteral("camera12mp.jp2");
        if (!QFile::exists(file)) {
            TJpeg2000Bitmap bitmap;
            bitmap.Assign(testsupport::CameraLikePicture(4000, 3000).convertToFormat(QImage::Format_BGR888));
            bitmap.SaveToFile(file);
        }
        return file;
    }();
    return path;
}

void RunOrSkip(benchmark::State& state, const QString& command) {
    if (std::system(command.toLocal8Bit().constData()) != 0) {
        state.SkipWithError("the reference tool failed or is not installed");
    }
}

void BM_RegistryJpeg(benchmark::State& state) {
    const QString file = JpegFile();
    for (auto _ : state) {
        benchmark::DoNotOptimize(LoadPictureFile(file));
    }
}

// The output lines of a tool, or nothing when it cannot be run or fails.
QStringList OutputOf(const QString& command) {
    FILE* output = popen(command.toLocal8Bit().constData(), "r");
    if (output == nullptr) {
        return {};
    }
    QStringList lines;
    char line[512];
    while (std::fgets(line, sizeof line, output) != nullptr) {
        lines << QString::fromLatin1(line).simplified();
    }
    return pclose(output) == 0 ? lines : QStringList();
}

// tjbench's own decode figure (megapixels a second, decode only, into 32-bit pixels with the accurate
// DCT as the registry does) turned into seconds per picture, measured while this benchmark runs.
void BM_TjbenchJpeg(benchmark::State& state) {
    const QString command =
        QStringLiteral("tjbench %1 -bgrx -accuratedct -benchtime 1 -warmup 0.3 -quiet -nowrite")
            .arg(JpegFile());
    for (auto _ : state) {
        double megapixelsPerSecond = 0;
        for (const QString& line : OutputOf(command)) {
            if (line.startsWith(QLatin1String("BGRX"))) {
                megapixelsPerSecond = line.split(' ').last().toDouble();
            }
        }
        if (megapixelsPerSecond <= 0) {
            state.SkipWithError("tjbench failed or is not installed");
            break;
        }
        state.SetIterationTime(24.0 / megapixelsPerSecond);
    }
}

void BM_DjpegProcessJpeg(benchmark::State& state) {
    const QString file = JpegFile();
    for (auto _ : state) {
        RunOrSkip(state, QStringLiteral("djpeg -dct int -outfile /dev/null %1").arg(file));
    }
}

void BM_RegistryJpeg2000(benchmark::State& state) {
    const QString file = Jpeg2000File();
    for (auto _ : state) {
        benchmark::DoNotOptimize(LoadPictureFile(file));
    }
}

// opj_decompress's own "decode time" (reading, decoding and writing its raw output, without the process
// start), and the whole process.
void BM_OpjDecompressJpeg2000(benchmark::State& state) {
    const QString command = QStringLiteral("opj_decompress -i %1 -o %2 2>&1")
                                .arg(Jpeg2000File(), Folder() + QStringLiteral("decoded.raw"));
    for (auto _ : state) {
        double milliseconds = 0;
        for (const QString& line : OutputOf(command)) {
            if (line.startsWith(QLatin1String("decode time:"))) {
                milliseconds = line.section(' ', 2, 2).toDouble();
            }
        }
        if (milliseconds <= 0) {
            state.SkipWithError("opj_decompress failed or is not installed");
            break;
        }
        state.SetIterationTime(milliseconds / 1000.0);
    }
}

void BM_OpjDecompressProcessJpeg2000(benchmark::State& state) {
    const QString output = Folder() + QStringLiteral("decoded.raw");
    for (auto _ : state) {
        RunOrSkip(
            state,
            QStringLiteral("opj_decompress -quiet -i %1 -o %2 > /dev/null").arg(Jpeg2000File(), output));
    }
}

BENCHMARK(BM_RegistryJpeg)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TjbenchJpeg)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_DjpegProcessJpeg)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RegistryJpeg2000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpjDecompressJpeg2000)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_OpjDecompressProcessJpeg2000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

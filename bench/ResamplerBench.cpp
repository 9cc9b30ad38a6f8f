// Lanczos fit of a 6000 x 4000 32-bit picture into 1920 x 1080 (1620 x 1080, the aspect kept), against
// Pillow's Image.resize(..., Image.LANCZOS) of the same picture in the same run (Debian's python3-pil).
// Pillow runs in a python3 subprocess that times only its resize calls and prints one time per call;
// each repetition of BM_PillowLanczos reports the next of those times. Pillow gets the picture as mode
// "RGB" (our picture is opaque; Pillow holds RGB as 4 bytes per pixel, like ours).
// Also an extreme shape: a 4,000,000 x 2 picture fitted into 1920 x 1, whose cost must follow the
// target's size and one pass over the source, not the source's width; its counter PeakMiB is the growth of
// the process's peak resident memory during one fit.
// Run: bench_resampler --benchmark_repetitions=9 --benchmark_report_aggregates_only=true
#include "../tests/support/CameraPicture.h"
#include "../tests/support/PeakMemory.h"
#include "Resampler.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr int SourceWidth = 6000, SourceHeight = 4000, TargetWidth = 1620, TargetHeight = 1080;

// A camera's photograph (CameraPicture.h): the resampler's cost does not depend on content, but a
// realistic picture keeps compression or caching from flattering either side.
const QImage& Source() {
    static const QImage picture = testsupport::CameraLikePicture(SourceWidth, SourceHeight);
    return picture;
}

void BM_OrvalisLanczos(benchmark::State& state) {
    const QImage& source = Source();
    for (auto _ : state) {
        benchmark::DoNotOptimize(ResampleLanczos(source, TargetWidth, TargetHeight));
    }
}

constexpr int ExtremeWidth = 4000000, ExtremeHeight = 2, ExtremeTargetWidth = 1920;

const QImage& ExtremeSource() {
    static const QImage picture = [] {
        QImage image(ExtremeWidth, ExtremeHeight, QImage::Format_RGB32);
        for (int y = 0; y < ExtremeHeight; ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < ExtremeWidth; ++x) {
                line[x] = qRgb(x & 255, (x >> 8) & 255, (x >> 16) & 255);
            }
        }
        return image;
    }();
    return picture;
}

void BM_OrvalisLanczosExtremeShape(benchmark::State& state) {
    const QImage& source = ExtremeSource();
    qint64 peakGrowth = 0;
    for (auto _ : state) {
        const qint64 growth = testsupport::PeakResidentGrowth(
            [&] { benchmark::DoNotOptimize(ResampleLanczos(source, ExtremeTargetWidth, 1)); });
        peakGrowth = std::max(peakGrowth, growth);
    }
    state.counters["PeakMiB"] = double(peakGrowth) / (1 << 20);
}

// Pillow's times for the whole run, measured once: each repetition takes the next one.
std::vector<double> PillowTimes(int count) {
    std::vector<double> times;
    QTemporaryDir dir;
    const QString raw = dir.filePath(QStringLiteral("source.bgrx"));
    QFile file(raw);
    const QImage& source = Source();
    if (!file.open(QIODevice::WriteOnly) || file.write(reinterpret_cast<const char*>(source.constBits()),
                                                       source.sizeInBytes()) != source.sizeInBytes()) {
        return times;
    }
    file.close();
    const QString script = QStringLiteral(
        "import sys, time\n"
        "from PIL import Image\n"
        "w, h, tw, th, n = map(int, sys.argv[2:7])\n"
        "im = Image.frombuffer('RGB', (w, h), open(sys.argv[1], 'rb').read(), 'raw', 'BGRX', 0, 1)\n"
        "im.load()\n"
        "for i in range(n):\n"
        "    start = time.perf_counter()\n"
        "    im.resize((tw, th), Image.LANCZOS)\n"
        "    print(time.perf_counter() - start)\n");
    QProcess python;
    // Debian's Pillow belongs to the system's Python, which another python3 earlier on PATH may hide.
    python.start(
        QStringLiteral("/usr/bin/python3"),
        {QStringLiteral("-c"), script, raw, QString::number(SourceWidth), QString::number(SourceHeight),
         QString::number(TargetWidth), QString::number(TargetHeight), QString::number(count)});
    if (!python.waitForFinished(-1) || python.exitCode() != 0) {
        std::fprintf(stderr, "Pillow failed: %s\n", python.readAllStandardError().constData());
        return times;
    }
    for (const QByteArray& line : python.readAllStandardOutput().split('\n')) {
        if (!line.trimmed().isEmpty()) {
            times.push_back(line.toDouble());
        }
    }
    return times;
}

void BM_PillowLanczos(benchmark::State& state) {
    static const std::vector<double> times = PillowTimes(27);
    static size_t next = 0;
    if (times.empty()) {
        state.SkipWithError("python3-pil is not available");
        return;
    }
    for (auto _ : state) {
        state.SetIterationTime(times[next++ % times.size()]);
    }
}

}  // namespace

BENCHMARK(BM_OrvalisLanczos)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_OrvalisLanczosExtremeShape)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_PillowLanczos)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

BENCHMARK_MAIN();

// The show pipeline on a 24-megapixel JPEG carrying EXIF orientation 6 with the watermark on, up to the
// fitted copy for a 1920 x 1080 surface, against libjpeg-turbo decoding the same file alone (the same
// call and flags as the registry's JPEG reader) in the same run. The split benchmarks time each stage
// on its own; BM_SlideshowStep is a step forward in a shown 1920 x 1080 preview window up to the end
// of its repaint, as the operator feels a press (the offscreen platform: no compositor in the figure).
//
//   build/bin/bench_show_image --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//
// The ratio that matters is the median of BM_ShowImageToFitted over the median of BM_TurboJpegDecode.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>

#include <turbojpeg.h>

#include "Bitmap.h"
#include "FileMaker.h"
#include "FormatRegistry.h"
#include "Orientation.h"
#include "PictureSurface.h"
#include "Preview.h"
#include "Resampler.h"
#include "ShowFakes.h"
#include "Watermark.h"
#include "WidgetsBenchmarkMain.h"

namespace {

constexpr int Width = 6000, Height = 4000;

QImage PhotoLike() {
    QImage picture(Width, Height, QImage::Format_RGB32);
    for (int y = 0; y < Height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < Width; ++x) {
            const int noise = (x * 7 + y * 13) % 24;
            row[x] = qRgb((x * 255 / Width + noise) & 0xFF, (y * 255 / Height + noise) & 0xFF,
                          ((x + y) / 16 + noise) & 0xFF);
        }
    }
    return picture;
}

// Two copies of the photo, so that a step always decodes a file anew.
struct TFiles {
    QTemporaryDir Folder;
    QStringList Paths;
    QByteArray Bytes;
    TFiles() {
        Bytes = showfakes::JpegWithOrientation(PhotoLike(), 6, 90);
        for (const char* name : {"IMG_0001.jpg", "IMG_0002.jpg"}) {
            Paths << testsupport::MakeFile(Folder.filePath(QLatin1String(name)), Bytes);
        }
    }
};

const TFiles& Files() {
    static const TFiles files;
    return files;
}

TSettingsValues WatermarkOn() {
    TSettingsValues settings;
    settings.UseWatermarking = true;
    return settings;
}

showfakes::TFakeList& List() {
    static showfakes::TFakeList list;
    list.Names = Files().Paths;
    return list;
}

void BM_TurboJpegDecode(benchmark::State& state) {
    const QByteArray& bytes = Files().Bytes;
    tjhandle decoder = tjInitDecompress();
    std::vector<unsigned char> pixels(size_t(Width) * Height * 4);
    for (auto _ : state) {
        if (tjDecompress2(decoder, reinterpret_cast<const unsigned char*>(bytes.constData()), bytes.size(),
                          pixels.data(), Width, Width * 4, Height, TJPF_BGRX, TJFLAG_ACCURATEDCT) != 0) {
            state.SkipWithError("libjpeg-turbo failed");
            break;
        }
        benchmark::DoNotOptimize(pixels.data());
    }
    tjDestroy(decoder);
}

void BM_ShowImageToFitted(benchmark::State& state) {
    TShowImage pipeline(List(), [] { return WatermarkOn(); });
    TPictureSurface surface;
    surface.resize(1920, 1080);
    for (auto _ : state) {
        pipeline.ShowImage(0, true, surface);
        benchmark::DoNotOptimize(surface.FittedPicture().constBits());
    }
}

QImage Decoded() {
    return ToWorkingPicture(LoadPictureFile(Files().Paths[0]));
}

void BM_SplitDecode(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(Decoded().constBits());
    }
}

void BM_SplitTurn(benchmark::State& state) {
    const QImage decoded = Decoded();
    for (auto _ : state) {
        QImage picture = decoded;  // shared; the turn makes its own
        ApplyExifOrientation(picture, 6);
        benchmark::DoNotOptimize(picture.constBits());
    }
}

void BM_SplitWatermark(benchmark::State& state) {
    QImage upright = Decoded();
    ApplyExifOrientation(upright, 6);
    const TSettingsValues settings = WatermarkOn();
    for (auto _ : state) {
        DrawWatermark(upright, QStringLiteral("0001"), settings,
                      96.0);  // drawn in place, as the pipeline does
        benchmark::DoNotOptimize(upright.constBits());
    }
}

void BM_SplitFit(benchmark::State& state) {
    QImage upright = Decoded();
    ApplyExifOrientation(upright, 6);
    const QRect fitted = FitPictureRect(upright.size(), QSize(1920, 1080));
    for (auto _ : state) {
        benchmark::DoNotOptimize(ResampleLanczos(upright, fitted.width(), fitted.height()).constBits());
    }
}

void BM_SlideshowStep(benchmark::State& state) {
    TShowImage pipeline(List(), [] { return WatermarkOn(); });
    TFormPreview window;
    window.setGeometry(0, 0, 1920, 1080);
    window.show();
    QApplication::processEvents();
    for (auto _ : state) {
        pipeline.ShowNextImage(window);
        window.repaint();
    }
}

}  // namespace

BENCHMARK(BM_TurboJpegDecode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ShowImageToFitted)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SplitDecode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SplitTurn)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SplitWatermark)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SplitFit)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SlideshowStep)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    return RunBenchmarksWithWidgets(argc, argv);
}

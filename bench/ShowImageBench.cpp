// A step of the show on camera photographs: two 24-megapixel JPEGs as a camera writes them (6000 x 4000,
// fine detail and sensor noise, quality 90, 4:2:0, camera EXIF with orientation 6; CameraJpeg.h), with
// the watermark on, against libjpeg-turbo decoding the same file alone in the same run.
//
//   build/bin/bench_show_image --benchmark_repetitions=15 --benchmark_report_aggregates_only=true
//       --benchmark_enable_random_interleaving=true
//
// BM_TurboJpegDecode     the reference: the file read from disk and decoded by libjpeg-turbo (the same
//                        call and flags as the registry's JPEG reader) into a buffer that is reused.
// BM_ShowImageToFitted   ShowImage up to the fitted copy ready to paint, in a shown 1920 x 1080 surface.
// BM_ShowImageToFittedWithProfile  the same on the same photographs tagged with an Adobe RGB profile, as
//                        a camera set to Adobe RGB writes them: the fitted copy's colours are converted
//                        for an sRGB monitor too. Its median over BM_ShowImageToFitted's is the cost of
//                        colour management in a step.
// BM_PressToPainted      a left press on a shown 1920 x 1080 preview window up to the end of the paint
//                        of the new picture (the offscreen platform: no X server in the figure).
// BM_Split*              the stages of the step on their own: the decode through the registry, the
//                        watermark drawn on the picture as stored, the fit of the stored picture into the
//                        turned size, the turn of the fitted copy, the paint of the window.
// BM_Whole*              what the step did before on the same picture, for comparison: the quarter turn
//                        of the whole picture and the fit of the turned picture.
//
// The ratios that matter are the medians of BM_ShowImageToFitted and BM_PressToPainted over the median
// of BM_TurboJpegDecode.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QMouseEvent>

#include <turbojpeg.h>

#include <vector>

#include "BenchPhotographs.h"
#include "Bitmap.h"
#include "ColourConversion.h"
#include "FormatRegistry.h"
#include "Orientation.h"
#include "PictureSurface.h"
#include "Preview.h"
#include "Resampler.h"
#include "ShowFakes.h"
#include "Watermark.h"
#include "WidgetsBenchmarkMain.h"

namespace {

constexpr int Width = 6000, Height = 4000, Orientation = 6;
const QSize Screen(1920, 1080);

// The two photographs, made on first use and kept in the temporary folder.
const QStringList& Files() {
    static const QStringList paths = benchsupport::CameraPhotographs(
        QStringLiteral("orvalis-show-image-bench"), 2, Width, Height, Orientation);
    return paths;
}

TSettingsValues WatermarkOn() {
    TSettingsValues settings;
    settings.UseWatermarking = true;
    return settings;
}

// The same photographs tagged Adobe RGB.
const QStringList& AdobeRgbFiles() {
    static const QStringList paths =
        benchsupport::CameraPhotographs(QStringLiteral("orvalis-show-image-bench-adobe"), 2, Width, Height,
                                        Orientation, QColorSpace(QColorSpace::AdobeRgb));
    return paths;
}

showfakes::TFakeList& List() {
    static showfakes::TFakeList list;
    list.Names = Files();
    return list;
}

showfakes::TFakeList& AdobeRgbList() {
    static showfakes::TFakeList list;
    list.Names = AdobeRgbFiles();
    return list;
}

void BM_TurboJpegDecode(benchmark::State& state) {
    tjhandle decoder = tjInitDecompress();
    std::vector<unsigned char> pixels(size_t(Width) * Height * 4);
    int step = 0;
    for (auto _ : state) {
        QFile file(Files()[step++ % 2]);
        file.open(QIODevice::ReadOnly);
        const QByteArray bytes = file.readAll();
        if (tjDecompress2(decoder, reinterpret_cast<const unsigned char*>(bytes.constData()), bytes.size(),
                          pixels.data(), Width, Width * 4, Height, TJPF_BGRX, TJFLAG_ACCURATEDCT) != 0) {
            state.SkipWithError("libjpeg-turbo failed");
            break;
        }
        benchmark::DoNotOptimize(pixels.data());
    }
    tjDestroy(decoder);
}

void StepToFitted(benchmark::State& state, showfakes::TFakeList& list) {
    TShowImage pipeline(list, [] { return WatermarkOn(); });
    TPictureSurface surface;
    surface.resize(Screen);
    surface.show();
    int step = 0;
    for (auto _ : state) {
        pipeline.ShowImage(step++ % 2, true, surface);
        benchmark::DoNotOptimize(surface.FittedPicture().constBits());
    }
}

void BM_ShowImageToFitted(benchmark::State& state) {
    StepToFitted(state, List());
}

void BM_ShowImageToFittedWithProfile(benchmark::State& state) {
    if (!NeedsColourConversion(ToWorkingPicture(LoadPictureFile(AdobeRgbFiles()[0])).colorSpace())) {
        state.SkipWithError("the photographs carry no profile");
        return;
    }
    StepToFitted(state, AdobeRgbList());
}

using benchsupport::TPaintCounter;

// A shown 1920 x 1080 preview window stepping through the photographs with the watermark on.
struct TShownWindow {
    TShowImage Pipeline{List(), [] { return WatermarkOn(); }};
    TFormPreview Window;
    TPaintCounter Counter{Window.ImgView32Preview};
    TShownWindow() {
        Window.NextImage = [this](TFormPreview& preview) { Pipeline.ShowNextImage(preview); };
        Window.setGeometry(QRect(QPoint(0, 0), Screen));
        Window.show();
        Counter.WaitPastPaint(0);
    }
};

void BM_PressToPainted(benchmark::State& state) {
    TShownWindow shown;
    const QPointF centre(Screen.width() / 2.0, Screen.height() / 2.0);
    for (auto _ : state) {
        const int painted = shown.Counter.Paints;
        QMouseEvent press(QEvent::MouseButtonPress, centre, shown.Window.mapToGlobal(centre), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(shown.Window.ImgView32Preview, &press);
        shown.Counter.WaitPastPaint(painted);
    }
}

// The first photograph as the registry decodes it, as stored.
const QImage& Stored() {
    static const QImage picture = ToWorkingPicture(LoadPictureFile(Files()[0]));
    return picture;
}

QSize FittedUpright() {
    return FitPictureRect(UprightSize(Stored().size(), Orientation), Screen).size();
}

void BM_SplitDecode(benchmark::State& state) {
    const TShowDecoders decoders = TShowDecoders::Standard();
    int step = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(DecodeStoredPicture(Files()[step++ % 2], decoders).Picture.constBits());
    }
}

void BM_SplitWatermark(benchmark::State& state) {
    QImage stored = Stored();
    stored.detach();
    const TSettingsValues settings = WatermarkOn();
    for (auto _ : state) {
        DrawWatermark(stored, QStringLiteral("0001"), settings, 96.0, Orientation);  // in place, as the step
        benchmark::DoNotOptimize(stored.constBits());
    }
}

void BM_SplitFit(benchmark::State& state) {
    const QSize size = FittedUpright().transposed();
    for (auto _ : state) {
        benchmark::DoNotOptimize(ResampleLanczos(Stored(), size.width(), size.height(), true).constBits());
    }
}

void BM_SplitTurnFitted(benchmark::State& state) {
    const QSize size = FittedUpright().transposed();
    const QImage fitted = ResampleLanczos(Stored(), size.width(), size.height(), true);
    for (auto _ : state) {
        QImage copy = fitted;  // shared; the turn makes its own
        ApplyExifOrientation(copy, Orientation);
        benchmark::DoNotOptimize(copy.constBits());
    }
}

void BM_SplitPaint(benchmark::State& state) {
    TShownWindow shown;
    shown.Window.SetOrientedPicture(Stored(), Orientation);
    for (auto _ : state) {
        const int painted = shown.Counter.Paints;
        shown.Window.ImgView32Preview->update();
        shown.Counter.WaitPastPaint(painted);
    }
}

void BM_WholeTurn(benchmark::State& state) {
    for (auto _ : state) {
        QImage picture = Stored();  // shared; the turn makes its own
        ApplyExifOrientation(picture, Orientation);
        benchmark::DoNotOptimize(picture.constBits());
    }
}

void BM_WholeFitUpright(benchmark::State& state) {
    QImage upright = Stored();
    ApplyExifOrientation(upright, Orientation);
    const QSize size = FittedUpright();
    for (auto _ : state) {
        benchmark::DoNotOptimize(ResampleLanczos(upright, size.width(), size.height()).constBits());
    }
}

}  // namespace

BENCHMARK(BM_TurboJpegDecode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ShowImageToFitted)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ShowImageToFittedWithProfile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PressToPainted)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SplitDecode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SplitWatermark)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SplitFit)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SplitTurnFitted)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SplitPaint)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WholeTurn)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WholeFitUpright)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    return RunBenchmarksWithWidgets(argc, argv);
}

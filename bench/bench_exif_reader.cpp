// Reading the EXIF block and the IFD1 thumbnail bytes of 1000 camera-sized JPEGs (12 megapixels,
// 4000 x 3000, each with an EXIF thumbnail), against `exiftool -b -ThumbnailImage` over the same files
// in the same run (Debian's libimage-exiftool-perl).
//
// The files are made once per run in a temporary folder (about 1000 x 1.1 MB): one 4000 x 3000 picture
// encoded by Qt, behind an EXIF APP1 segment that differs per file (date, unique ID) and carries a
// 160 x 120 JPEG thumbnail. Set ORVALIS_EXIF_BENCH_DIR to keep them in a folder of your choice.
// Run: bench_exif_reader --benchmark_repetitions=9 --benchmark_report_aggregates_only=true
#include "ExifBlockBuilder.h"
#include "ExifReader.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using exiftest::Dir;
using exiftest::ExifBlockBuilder;

constexpr int FileCount = 1000;

QByteArray EncodeJpeg(const QImage& image, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", quality);
    return bytes;
}

QImage Picture(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, width, height);
    gradient.setColorAt(0, QColor(30, 60, 120));
    gradient.setColorAt(1, QColor(220, 180, 90));
    painter.fillRect(image.rect(), gradient);
    painter.setPen(QPen(Qt::white, 3));
    for (int x = 0; x < width; x += width / 40) {
        painter.drawLine(x, 0, width - x, height);
    }
    return image;
}

struct Files {
    std::unique_ptr<QTemporaryDir> Temporary;
    QStringList Paths;
};

const Files& BenchFiles() {
    static const Files files = [] {
        Files made;
        QString folder = qEnvironmentVariable("ORVALIS_EXIF_BENCH_DIR");
        if (folder.isEmpty()) {
            made.Temporary = std::make_unique<QTemporaryDir>();
            folder = made.Temporary->path();
        }
        QDir().mkpath(folder);
        const QByteArray picture = EncodeJpeg(Picture(4000, 3000), 85);
        const QByteArray thumbnail = EncodeJpeg(Picture(160, 120), 75);
        for (int i = 0; i < FileCount; ++i) {
            const QString path = QStringLiteral("%1/IMG_%2.JPG").arg(folder).arg(i, 4, 10, QLatin1Char('0'));
            made.Paths << path;
            if (QFile::exists(path)) {
                continue;
            }
            ExifBlockBuilder b;
            b.Ascii(Dir::Main, 0x010F, "Quenmark")
                .Ascii(Dir::Main, 0x0110, "QX 100 Mark II")
                .Short(Dir::Main, 0x0112, {1})
                .Rational(Dir::Main, 0x011A, {{72, 1}})
                .Rational(Dir::Main, 0x011B, {{72, 1}})
                .Short(Dir::Main, 0x0128, {2})
                .Ascii(
                    Dir::Main, 0x0132,
                    QStringLiteral("2024:05:%1 10:11:12").arg(1 + i % 28, 2, 10, QLatin1Char('0')).toLatin1())
                .Rational(Dir::Exif, 0x829A, {{1, 250}})
                .Rational(Dir::Exif, 0x829D, {{56, 10}})
                .Short(Dir::Exif, 0x8827, {400})
                .Bytes(Dir::Exif, 0x9000, 7, "0232")
                .Ascii(Dir::Exif, 0x9003, "2024:05:01 10:11:12")
                .Short(Dir::Exif, 0x9209, {0x10})
                .Rational(Dir::Exif, 0x920A, {{50, 1}})
                .Long(Dir::Exif, 0xA002, {4000})
                .Long(Dir::Exif, 0xA003, {3000})
                .Ascii(Dir::Exif, 0xA420, QByteArray::number(i).rightJustified(32, '0'))
                .Rational(Dir::Gps, 2, {{48, 1}, {51, 1}, {2424, 100}})
                .Ascii(Dir::Gps, 1, "N")
                .Short(Dir::Thumb, 0x0112, {1})
                .Short(Dir::Thumb, 0x0103, {6})
                .Thumbnail(thumbnail);
            const QByteArray app1 = ExifBlockBuilder::WrapInJpeg(b.Build()).chopped(6).mid(2);
            QFile file(path);
            file.open(QIODevice::WriteOnly);
            file.write(picture.left(2) + app1 + picture.mid(2));
        }
        return made;
    }();
    return files;
}

void BM_ReadExifBlockAndThumbnail(benchmark::State& state) {
    const QStringList& paths = BenchFiles().Paths;
    qint64 bytes = 0;
    for (auto _ : state) {
        for (const QString& path : paths) {
            ExifThumbnailJpeg thumbnail;
            if (!ReadExifThumbnailJpeg(path, thumbnail)) {
                state.SkipWithError("no thumbnail");
                return;
            }
            bytes += thumbnail.Jpeg.size();
        }
    }
    benchmark::DoNotOptimize(bytes);
    state.SetItemsProcessed(state.iterations() * paths.size());
}
BENCHMARK(BM_ReadExifBlockAndThumbnail)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ExifToolThumbnailImage(benchmark::State& state) {
    if (QStandardPaths::findExecutable(QStringLiteral("exiftool")).isEmpty()) {
        state.SkipWithError("exiftool (libimage-exiftool-perl) is not installed");
        return;
    }
    const QStringList& paths = BenchFiles().Paths;
    for (auto _ : state) {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start(QStringLiteral("exiftool"), QStringList{"-b", "-ThumbnailImage"} + paths);
        process.waitForFinished(-1);
    }
    state.SetItemsProcessed(state.iterations() * paths.size());
}
BENCHMARK(BM_ExifToolThumbnailImage)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);  // Qt's image plugins for making the files
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

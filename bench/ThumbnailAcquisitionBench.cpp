// Thumbnails of entries added in the GUI thread.
//
// BM_AddWithExifThumbnails: a list file naming 1,000 twelve-megapixel JPEGs that carry 160 x 120 EXIF
// thumbnails is loaded as "Load Image List..." loads it (the progress window, pending events after
// each file, the list on screen in thumbnail view), with the program's thumbnail acquisition: every
// thumbnail comes from EXIF, no worker is involved. The 1,000 names are hard links to one file, so the
// figure is the program's own work, not the disk's.
//
// BM_ScrollAndSelect5000: 5,000 entries in thumbnail view, each with a thumbnail of its own; one
// iteration scrolls the view from top to bottom a page at a time and back, repainting each page, and
// selects an entry on each page. The counters give the process's resident size with the list and the
// growth per entry against the 160 x 120 x 4 bytes of a thumbnail.
//
//   bench_thumbnail_acquisition --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QScrollBar>
#include <QTemporaryDir>

#include <unistd.h>

#include <memory>

#include "AddingLoops.h"
#include "ExifBlockBuilder.h"
#include "ImageList.h"
#include "ImageListFile.h"
#include "Lister.h"
#include "ProgressWindow.h"
#include "ThumbnailAcquisition.h"
#include "ThumbnailsProcessing.h"
#include "WidgetsBenchmarkMain.h"

namespace {

// A JPEG of width x height with an EXIF block carrying a 160 x 120 thumbnail of its own colour.
QByteArray JpegWithExifThumbnail(int width, int height, QColor colour) {
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(colour);
    for (int y = 0; y < height; y += 7) {  // some detail, so the file is of a camera's size
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x) {
            row[x] = qRgb(x & 0xFF, y & 0xFF, (x ^ y) & 0xFF);
        }
    }
    const auto encode = [](const QImage& image, int quality) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "JPG", quality);
        return bytes;
    };
    QImage thumbnail(160, 120, QImage::Format_RGB32);
    thumbnail.fill(colour);
    exiftest::ExifBlockBuilder block;
    const QByteArray tiff = block.Thumbnail(encode(thumbnail, 90)).Build();
    const QByteArray jpeg = encode(picture, 90);
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment("\xFF\xE1", 2);
    segment.append(char((payload.size() + 2) >> 8)).append(char((payload.size() + 2) & 0xFF));
    return jpeg.left(2) + segment + payload + jpeg.mid(2);
}

// `count` names of one picture file, and a list file naming them all.
struct TLinkedPictures {
    QTemporaryDir Folder;
    QString ListFile;
    TLinkedPictures(int count, int width, int height) {
        const QString original = Folder.filePath(QStringLiteral("original.jpg"));
        QFile file(original);
        file.open(QIODevice::WriteOnly);
        file.write(JpegWithExifThumbnail(width, height, Qt::darkCyan));
        file.close();
        QStringList names;
        for (int i = 0; i < count; ++i) {
            names << Folder.filePath(QStringLiteral("IMG_%1.JPG").arg(i, 5, 10, QLatin1Char('0')));
            if (link(QFile::encodeName(original).constData(), QFile::encodeName(names.last()).constData()) !=
                0) {
                QFile::copy(original, names.last());
            }
        }
        ListFile = Folder.filePath(QStringLiteral("list.txt"));
        WriteImageListFile(ListFile, names);
    }
};

// The image list with the program's acquisition: EXIF, then no database, then a counted request.
struct TListWithAcquisition : TImageListHooks {
    int Requests = 0;
    TImageList Images{*this};
    TThumbnailAcquisition Acquisition{Images, &ExifThumbnail, [](const QString&, QImage&) { return false; },
                                      [this](std::unique_ptr<TThumbFileInfoData>) { ++Requests; }};
    TLister Lister{Images.Model(), Images.Selection()};

    TListWithAcquisition() {
        Acquisition.Background = Lister.palette().color(QPalette::Base);
        Acquisition.Placeholder = QPixmap::fromImage(MakePlaceholderThumbnail(Acquisition.Background));
        Lister.SetViewMode(TListViewMode::Thumbnails);
        Images.SetViewMode(TListViewMode::Thumbnails);
        Lister.resize(1200, 900);
        Lister.show();
    }
    void OpenThumbDatabase(const QString&) override {}
    qint32 AcquireThumbnail(const QString& path) override { return Acquisition.AcquireThumbnail(path); }
};

double ResidentMegabytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0.0;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
        }
    }
    return 0.0;
}

void BM_AddWithExifThumbnails(benchmark::State& state) {
    constexpr int Count = 1000;
    const TLinkedPictures pictures(Count, 4000, 3000);
    for (auto _ : state) {
        state.PauseTiming();
        auto list = std::make_unique<TListWithAcquisition>();
        TFormProgress progress(nullptr);
        state.ResumeTiming();

        ReadImageListFile(pictures.ListFile, list->Images, progress);
        QCoreApplication::processEvents();

        state.PauseTiming();
        if (list->Images.Count() != Count || list->Requests != 0) {
            state.SkipWithError("not every file got its EXIF thumbnail");
        }
        list.reset();
        state.ResumeTiming();
    }
    state.counters["files/s"] = benchmark::Counter(Count, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_ScrollAndSelect5000(benchmark::State& state) {
    constexpr int Count = 5000;
    static const double before = ResidentMegabytes();  // the process before the first list was made
    TListWithAcquisition list;
    QTemporaryDir folder;
    // Each entry gets a thumbnail of its own (a small file with its own EXIF thumbnail).
    for (int i = 0; i < Count; ++i) {
        const QString name = folder.filePath(QStringLiteral("IMG_%1.JPG").arg(i, 5, 10, QLatin1Char('0')));
        QFile file(name);
        file.open(QIODevice::WriteOnly);
        file.write(JpegWithExifThumbnail(16, 12, QColor::fromHsv(i % 360, 200, 200)));
        file.close();
        list.Images.AddImageFile(name);
    }
    // The view lays its items out in batches between events: let it finish.
    QListView* view = list.Lister.IconView();
    QScrollBar* bar = view->verticalScrollBar();
    QElapsedTimer stable;
    stable.start();
    for (int last = -1; stable.elapsed() < 500;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (bar->maximum() != last) {
            last = bar->maximum();
            stable.restart();
        }
    }
    const double with = ResidentMegabytes();
    for (auto _ : state) {
        for (int direction : {1, -1}) {
            for (int steps = 0; steps <= bar->maximum() / std::max(1, bar->pageStep()); ++steps) {
                bar->setValue(bar->value() + direction * bar->pageStep());
                const QModelIndex shown = view->indexAt(QPoint(40, 40));
                list.Images.Selection().select(shown, QItemSelectionModel::ClearAndSelect);
                view->viewport()->repaint();
            }
        }
    }
    state.counters["rss_MB"] = with;
    state.counters["growth_KB_per_entry"] = (with - before) * 1024.0 / Count;
    state.counters["thumbnail_KB"] = 160.0 * 120.0 * 4.0 / 1024.0;
    // Each page is shown twice per iteration (down and up); time / page_steps is the time per page.
    state.counters["page_steps"] = 2.0 * double(bar->maximum() / std::max(1, bar->pageStep()) + 1);
}

}  // namespace

// The 5,000 entries first, so that its resident size is not inflated by the other's pictures.
BENCHMARK(BM_ScrollAndSelect5000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AddWithExifThumbnails)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    return RunBenchmarksWithWidgets(argc, argv);
}

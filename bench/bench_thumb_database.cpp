// Opening a folder's thumbnail database of 2,000 entries with 160 x 120 thumbnails, then looking up
// every picture of the folder, against the reference of reading the file's bytes into memory.
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "../tests/support/FileMaker.h"
#include "../tests/thumbnails/TagBytes.h"
#include "ThumbDatabase.h"

namespace {

constexpr int EntryCount = 2000;

// A 160 x 120 thumbnail with the detail of a photograph (gradients and grain), so that its JPEG has
// the size of a real one (a few KB) rather than the few hundred bytes of a flat colour.
QByteArray PhotoLikeJpeg(int seed) {
    QImage image(160, 120, QImage::Format_RGB32);
    quint32 noise = 2463534242u + quint32(seed);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            const int grain = int(noise % 24);
            image.setPixel(x, y,
                           qRgb((x + seed) % 200 + grain, (y * 2) % 200 + grain, (x + y) % 200 + grain));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 75);
    return bytes;
}

// The folder: the pictures (sizes 1000 + i bytes, so each entry's size differs) and the database.
struct TFolder {
    TFolder() {
        QStringList catalogue;
        QList<QByteArray> frames;
        for (int i = 0; i < EntryCount; ++i) {
            const QString name = QStringLiteral("IMG_%1.JPG").arg(i, 4, 10, QLatin1Char('0'));
            Pictures.append(testsupport::MakeFile(Dir.filePath(name), QByteArray(1000 + i, 'p')));
            catalogue << name << QString::number(1000 + i) << QStringLiteral("7") << QStringLiteral("8");
            frames.append(tagbytes::Frame3("THUM", PhotoLikeJpeg(i)));
        }
        DatabasePath = testsupport::MakeFile(Dir.filePath(QStringLiteral("Thumbs Brackwell.db")),
                                             tagbytes::DatabaseBytes(catalogue, frames));
    }
    QTemporaryDir Dir;
    QStringList Pictures;
    QString DatabasePath;
};

TFolder& Folder() {
    static TFolder folder;
    return folder;
}

void ReadFileBytes(benchmark::State& state) {
    for (auto _ : state) {
        QFile file(Folder().DatabasePath);
        file.open(QIODevice::ReadOnly);
        QByteArray bytes = file.readAll();
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(state.iterations() * QFile(Folder().DatabasePath).size());
}

// Reading the whole tag into memory, for comparison: Open reads only the frame headers up to the
// catalogue and the catalogue itself.
void LoadTag(benchmark::State& state) {
    for (auto _ : state) {
        TID3v2Tag tag;
        benchmark::DoNotOptimize(tag.LoadFromFile(Folder().DatabasePath));
    }
}

void Open(benchmark::State& state) {
    for (auto _ : state) {
        TThumbDatabase database;
        database.Open(Folder().DatabasePath);
        benchmark::DoNotOptimize(database.Catalogue().size());
    }
}

void OpenAndFindEveryEntry(benchmark::State& state) {
    for (auto _ : state) {
        TThumbDatabase database;
        database.Open(Folder().DatabasePath);
        qint64 sum = 0;
        for (const QString& picture : Folder().Pictures) {
            sum += database.FindEntry(picture);
        }
        if (sum != qint64(EntryCount) * (EntryCount + 1) / 2) {
            state.SkipWithError("a lookup missed its entry");
        }
    }
}

void FindEveryEntry(benchmark::State& state) {
    TThumbDatabase database;
    database.Open(Folder().DatabasePath);
    for (auto _ : state) {
        for (const QString& picture : Folder().Pictures) {
            benchmark::DoNotOptimize(database.FindEntry(picture));
        }
    }
}

BENCHMARK(ReadFileBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadTag)->Unit(benchmark::kMillisecond);
BENCHMARK(Open)->Unit(benchmark::kMillisecond);
BENCHMARK(OpenAndFindEveryEntry)->Unit(benchmark::kMillisecond);
BENCHMARK(FindEveryEntry)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);  // the JPEG writer is a Qt plug-in
    benchmark::Initialize(&argc, argv);
    Folder();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

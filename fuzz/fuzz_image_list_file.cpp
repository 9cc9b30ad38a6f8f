// Image list files come from anywhere: any bytes must load without fault, every line is taken whole
// (no line break or NUL inside it), and what is added names an existing file. Names that cannot be a
// line (the input's whole text may be one) are left out of what is written, and reported.
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "AddingLoops.h"
#include "FileUtils.h"
#include "ImageList.h"
#include "ImageListFile.h"
#include "ProgressWindow.h"
#include "TextFile.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

class TNoThumbnails : public TImageListHooks {
public:
    void OpenThumbDatabase(const QString&) override {}
    qint32 AcquireThumbnail(const QString&) override { return 0; }
};

class TNoProgress : public TProgressDisplay {
public:
    void Begin(int maximum) override { Check(maximum >= 0); }
    void Step(const QString&) override {}
    void End() override {}
};

// Both live until the process ends: the application object must not be torn down by exit handlers.
QGuiApplication* Application = nullptr;
QTemporaryDir* Folder = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Application = new QGuiApplication(*argc, *argv);
    Folder = new QTemporaryDir();
    std::atexit([] { Folder->remove(); });
    // A few files that lines may name.
    for (const char* name : {"a.jpg", "b.png"}) {
        QFile(Folder->filePath(QLatin1String(name))).open(QIODevice::WriteOnly);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = Folder->filePath(QStringLiteral("list.txt"));
    WriteFileAtomically(path, QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));

    const QStringList lines = ReadImageListLines(path);
    for (const QString& line : lines) {
        Check(!line.contains(u'\r') && !line.contains(u'\n') && !line.contains(QChar(0)));
    }

    TNoThumbnails hooks;
    TImageList list(hooks);
    TNoProgress progress;
    ReadImageListFile(path, list, progress);
    Check(list.Count() <= lines.size());
    for (int row = 0; row < list.Count(); ++row) {
        Check(FileExists(list.FileName(row)));
    }

    // What the program writes reads back as the same lines; what it leaves out is what cannot be a line.
    QStringList names = list.FileNames();
    names.append(DecodeText(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size))));
    QStringList stored;
    QStringList unstorable;
    for (const QString& name : names) {
        (FitsInImageListFile(name) ? stored : unstorable).append(name);
    }
    Check(WriteImageListFile(path, names) == unstorable);
    Check(ReadImageListLines(path) == stored);
    return 0;
}

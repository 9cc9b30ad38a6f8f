#include "AddingLoops.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QScopeGuard>

#include <climits>

#include "BusyCursor.h"
#include "ErrorBoundary.h"
#include "FileUtils.h"
#include "ImageList.h"
#include "ImageListFile.h"
#include "ProgressWindow.h"
#include "TextFile.h"

namespace {

// Lets pending events run between files, so that the window stays live and Cancel can be clicked, but
// not more often than the screen can show: each run repaints the list, and doing that after every one
// of thousands of files would cost more than adding them.
class TEventPump {
public:
    TEventPump() { Clock.start(); }
    void Run() {
        if (Clock.elapsed() >= IntervalMilliseconds) {
            RunNow();
        }
    }
    void RunNow() {
        QCoreApplication::processEvents();
        Clock.restart();
    }

private:
    static constexpr qint64 IntervalMilliseconds = 20;
    QElapsedTimer Clock;
};

// The longest path the system opens, in bytes of its encoding, terminating NUL included.
constexpr qsizetype MaxPathBytes = PATH_MAX;

bool CanBePath(const QString& line) {
    // Each UTF-16 unit is at least one byte: most lines are decided without encoding them.
    return line.size() < MaxPathBytes && QFile::encodeName(line).size() < MaxPathBytes;
}

}  // namespace

QStringList ReadImageListLines(const QString& path) {
    if (!FileExists(path)) {
        return {};
    }
    // The file's bytes go as soon as they are decoded, and the text as soon as it is split: a long list
    // is held at most as its text and its lines (which the entries then share), never three times over.
    const QString text = DecodeText(ReadRegularFile(path, MaxImageListFileSize).value_or(QByteArray()));
    return SplitTextLines(text);
}

void ReadImageListFile(const QString& path, TImageList& list, TProgressDisplay& progress) {
    if (!FileExists(path)) {
        return;
    }
    CancelRequested = false;
    const QStringList lines = ReadImageListLines(path);
    const auto hide = qScopeGuard([&] { progress.End(); });
    if (lines.isEmpty()) {
        return;
    }
    TEventPump events;
    progress.Begin(static_cast<int>(lines.size()) - 1);
    events.RunNow();
    for (const QString& line : lines) {
        // A line longer than any path names no file: it is not even shown.
        if (!CanBePath(line)) {
            continue;
        }
        progress.Step(FileNameOf(line));
        events.Run();
        if (CancelRequested) {
            break;
        }
        list.AddImageFile(line);
    }
}

void AddChosenFiles(const QStringList& fileNames, TImageList& list, TProgressDisplay& progress) {
    CancelRequested = false;
    TEventPump events;
    const bool showProgress = fileNames.size() > 1;
    if (showProgress) {
        progress.Begin(static_cast<int>(fileNames.size()) - 1);
        events.RunNow();
    }
    const TBusyCursor busy;
    const auto hide = qScopeGuard([&] { progress.End(); });
    for (const QString& name : fileNames) {
        SwallowErrors([&] { list.AddImageFile(name); });
        if (showProgress) {
            progress.Step(FileNameOf(name));
            events.Run();
        }
        if (CancelRequested) {
            break;
        }
    }
}

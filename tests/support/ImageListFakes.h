#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "ImageList.h"
#include "ProgressWindow.h"

namespace testsupport {

// Adding entries without thumbnails: every entry shows image 0.
class TPlaceholderHooks : public TImageListHooks {
public:
    void OpenThumbDatabase(const QString&) override {}
    qint32 AcquireThumbnail(const QString&) override { return 0; }
};

// Records what an adding loop shows, and presses Cancel when a given name is shown.
class TRecordingProgress : public TProgressDisplay {
public:
    void Begin(int maximum) override { Maximums.append(maximum); }
    void Step(const QString& name) override {
        Shown.append(name);
        if (!CancelAt.isEmpty() && name == CancelAt) {
            CancelRequested = true;
        }
    }
    void End() override { ++Ended; }
    QList<int> Maximums;
    QStringList Shown;
    QString CancelAt;
    int Ended = 0;
};

}  // namespace testsupport

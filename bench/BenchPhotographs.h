#pragma once

#include <QApplication>
#include <QColorSpace>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QObject>
#include <QStringList>
#include <QWidget>

#include "CameraJpeg.h"
#include "FileMaker.h"

namespace benchsupport {

// Camera photographs (CameraJpeg.h) of `width` x `height` stored with EXIF `orientation`, IMG_0001.JPG
// and on, made on first use in `folder` of the temporary folder and kept there for later runs; tagged
// with the ICC profile of `colours` when that is valid (as a camera set to Adobe RGB tags its files).
inline QStringList CameraPhotographs(const QString& folder, int count, int width, int height, int orientation,
                                     const QColorSpace& colours = {}) {
    const QString path = QDir::tempPath() + QLatin1Char('/') + folder + QLatin1Char('/');
    QStringList made;
    for (int i = 1; i <= count; ++i) {
        const QString file = path + QStringLiteral("IMG_%1.JPG").arg(i, 4, 10, QLatin1Char('0'));
        if (!QFile::exists(file)) {
            QImage picture = testsupport::CameraLikePicture(width, height, i);
            picture.setColorSpace(colours);  // the JPEG writer embeds its profile
            testsupport::MakeFile(file + QStringLiteral(".part"),
                                  testsupport::CameraJpeg(picture, orientation));
            QFile::rename(file + QStringLiteral(".part"), file);
        }
        made << file;
    }
    return made;
}

// Counts the paints of a widget.
class TPaintCounter : public QObject {
public:
    explicit TPaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        Paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
    // Runs the event loop until the widget has been painted once more than `before`.
    void WaitPastPaint(int before) const {
        while (Paints == before) {
            QApplication::processEvents();
        }
    }
    int Paints = 0;
};

}  // namespace benchsupport

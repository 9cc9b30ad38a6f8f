#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <QWidget>

#include "PictureSink.h"

// Where a picture lands on a surface: scaled by s = min(surface width / picture width, surface height /
// picture height), small pictures enlarged as well, each side rounded to whole pixels, and centred.
// Empty for an empty picture or surface.
QRect FitPictureRect(QSize picture, QSize surface);

// The picture surface of a preview window: the full picture it was given, drawn opaque, fitted and
// centred on black. The fitted copy is made with the Lanczos resampler once per picture and surface
// size, when either changes, so a paint only copies pixels and never shows a half-made picture. It
// takes no keyboard focus and leaves its mouse events to the window it sits in.
class TPictureSurface : public QWidget, public TPictureSink {
    Q_OBJECT
public:
    explicit TPictureSurface(QWidget* parent = nullptr);

    void SetPicture(const QImage& picture) override;
    const QImage& Picture() const { return Full; }
    // The copy that is painted, and where.
    const QImage& FittedPicture() const { return Fitted; }
    QRect FittedRect() const { return FittedAt; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Refit();

    QImage Full;
    QImage Fitted;
    QRect FittedAt;
};

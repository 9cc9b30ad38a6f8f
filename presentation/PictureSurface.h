#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <QWidget>

#include <functional>

#include "PictureSink.h"
#include "Resampler.h"

// Where a picture lands on a surface: scaled by s = min(surface width / picture width, surface height /
// picture height), small pictures enlarged as well, each side rounded to whole pixels, and centred.
// Empty for an empty picture or surface.
QRect FitPictureRect(QSize picture, QSize surface);

// The picture surface of a preview window: the full picture it was given, drawn opaque, fitted and
// centred on black. The fitted copy is made with the Lanczos resampler once per picture, surface size
// and device pixel ratio, when one of them changes, so a paint only copies pixels and never shows a
// half-made picture. It is made in device pixels and drawn one to one, so a monitor scaled 2x shows
// every pixel of the fitted copy rather than a copy of half the size doubled. It takes no keyboard
// focus and leaves its mouse events to the window it sits in.
class TPictureSurface : public QWidget, public TPictureSink {
    Q_OBJECT
public:
    explicit TPictureSurface(QWidget* parent = nullptr);

    // Takes the picture only once its fitted copy exists: when the fit fails, the surface keeps showing
    // the picture it had and the failure is raised.
    void SetPicture(const QImage& picture) override;
    const QImage& Picture() const { return Full; }
    // The copy that is painted (its device pixel ratio that of the surface), and where, in device pixels.
    const QImage& FittedPicture() const { return Fitted; }
    QRect FittedRect() const { return FittedAt; }
    // The surface's size in device pixels: what the fitted copy is fitted into.
    QSize DeviceSize() const;

    // Makes the fitted copy: the Lanczos resampler. A null result or an exception is a failed fit.
    std::function<QImage(const QImage& picture, int width, int height)> Resample = &ResampleLanczos;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct TFit {
        QImage Picture;
        QRect At;
    };
    // `picture` fitted to the surface as it is now; raises when the copy cannot be made.
    TFit Fit(const QImage& picture, const TFit& current) const;
    // Fits the picture again after a change of the surface's size or device pixel ratio.
    void Refit();

    QImage Full;
    QImage Fitted;
    QRect FittedAt;
};

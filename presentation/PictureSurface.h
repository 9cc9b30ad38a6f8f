#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QWidget>

#include <functional>
#include <utility>

#include "PictureSink.h"
#include "Resampler.h"

// Where a picture lands on a surface: scaled by s = min(surface width / picture width, surface height /
// picture height), small pictures enlarged as well, each side rounded to whole pixels, and centred.
// Empty for an empty picture or surface.
QRect FitPictureRect(QSize picture, QSize surface);

// The picture surface of a preview window: the full picture it was given, drawn opaque, fitted and
// centred on black. The fitted copy is made with the Lanczos resampler once per picture, surface size
// and device pixel ratio, when it is first wanted at that size (a paint, or the picture arriving on a
// shown surface), so a paint only copies pixels and never shows a half-made picture, and a surface that
// is still hidden or is being resized makes no copy at a size nobody sees. It is made in device pixels
// and drawn one to one, so a monitor scaled 2x shows every pixel of the fitted copy rather than a copy
// of half the size doubled. A picture given as stored with its EXIF orientation is fitted as stored and
// only the fitted copy is turned. It takes no keyboard focus and leaves its mouse events to the window
// it sits in.
class TPictureSurface : public QWidget, public TPictureSink {
    Q_OBJECT
public:
    explicit TPictureSurface(QWidget* parent = nullptr);

    // On a shown surface, takes the picture only once its fitted copy exists: when the fit fails, the
    // surface keeps showing the picture it had and the failure is raised. A hidden surface keeps the
    // picture and fits it when it is shown.
    void SetPicture(const QImage& picture) override;
    void SetOrientedPicture(const QImage& picture, int orientation) override;
    // A shown surface fits to its own size in device pixels; a hidden one has no size to fit to yet.
    QSize FittedSize(QSize upright) const override;
    // Takes the copy when it is of the size the surface fits to now (and fits the picture itself when
    // not), then as SetOrientedPicture.
    void SetFittedPicture(const QImage& picture, int orientation, const QImage& fitted) override;
    // The picture as it was given (as stored) and the orientation it is shown in.
    const QImage& Picture() const { return Full; }
    int PictureOrientation() const { return Orientation; }
    // The copy that is painted (upright, its device pixel ratio that of the surface), and where, in
    // device pixels; made first when the surface changed size since.
    const QImage& FittedPicture();
    QRect FittedRect();
    // The surface's size in device pixels: what the fitted copy is fitted into.
    QSize DeviceSize() const;
    // The ICC profile of the monitor the surface shows on (empty: sRGB), to which the fitted copy's
    // colours are converted from the picture's own colour space. A new profile makes the copy again.
    void SetDisplayProfile(const QByteArray& profile);
    const QByteArray& Profile() const { return DisplayProfile; }
    // A blank surface shows only black; it keeps its picture and fits it as before.
    void SetBlank(bool blank);
    bool IsBlank() const { return Blank; }

    // Makes the fitted copy: the Lanczos resampler (Resampler.h; `turnedAfter` when the copy is turned a
    // quarter afterwards). A null result or an exception is a failed fit.
    std::function<QImage(const QImage& picture, int width, int height, bool turnedAfter)> Resample =
        &ResampleLanczos;

signals:
    // What the surface shows changed: a new picture, a new fitted copy, or blank.
    void PictureChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct TFit {
        QImage Picture;
        QRect At;
    };
    // `picture` fitted to the surface as it is now, from `fittedAhead` when that is the copy as stored;
    // raises when the copy cannot be made.
    TFit Fit(const QImage& picture, int orientation, const TFit& current,
             const QImage& fittedAhead = {}) const;
    void Take(const QImage& picture, int orientation, const QImage& fittedAhead);
    // The surface as the fitted copy is made for: its size in device pixels and its pixel ratio.
    std::pair<QSize, qreal> FitTarget() const;
    // Fits the picture again when the surface's size or device pixel ratio changed since the last fit.
    void FitIfChanged();

    QImage Full;
    int Orientation = 1;
    QImage Fitted;
    QRect FittedAt;
    std::pair<QSize, qreal> FittedFor;
    bool Blank = false;
    QByteArray DisplayProfile;
    bool Refit = false;  // the copy's colours are not the display's: made anew, not reused
};

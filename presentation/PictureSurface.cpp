#include "PictureSurface.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

#include "ColourConversion.h"
#include "ErrorBoundary.h"

QRect FitPictureRect(QSize picture, QSize surface) {
    if (picture.isEmpty() || surface.isEmpty()) {
        return {};
    }
    const double scale =
        std::min(double(surface.width()) / picture.width(), double(surface.height()) / picture.height());
    const int width = std::clamp(int(std::lround(picture.width() * scale)), 1, surface.width());
    const int height = std::clamp(int(std::lround(picture.height() * scale)), 1, surface.height());
    return {(surface.width() - width) / 2, (surface.height() - height) / 2, width, height};
}

TPictureSurface::TPictureSurface(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QSize TPictureSurface::DeviceSize() const {
    const qreal ratio = devicePixelRatioF();
    return {int(std::lround(width() * ratio)), int(std::lround(height() * ratio))};
}

std::pair<QSize, qreal> TPictureSurface::FitTarget() const {
    return {DeviceSize(), devicePixelRatioF()};
}

TPictureSurface::TFit TPictureSurface::Fit(const QImage& picture, int orientation, const TFit& current,
                                           const QImage& fittedAhead) const {
    TFit fit{QImage(), FitPictureRect(UprightSize(picture.size(), orientation), DeviceSize())};
    const qreal ratio = devicePixelRatioF();
    // A new surface size that keeps the fitted size, ratio and colours only moves the copy.
    if (!current.Picture.isNull() && current.Picture.size() == fit.At.size() &&
        current.Picture.devicePixelRatio() == ratio) {
        fit.Picture = current.Picture;
        return fit;
    }
    if (fit.At.isEmpty()) {
        return fit;
    }
    // Fitted as stored and then turned: the turn moves the pixels of a screen, not of a photograph.
    const bool turned = IsQuarterTurn(orientation);
    const QSize stored = turned ? fit.At.size().transposed() : fit.At.size();
    fit.Picture = fittedAhead.size() == stored ? fittedAhead
                                               : Resample(picture, stored.width(), stored.height(), turned);
    ApplyExifOrientation(fit.Picture, orientation);
    // A resample or turn of a picture with pixels comes back empty only for want of memory.
    if (fit.Picture.isNull()) {
        throw std::bad_alloc();
    }
    // The colours of the picture's own profile as this monitor shows them: converted on the screen's
    // pixels only.
    ConvertColours(fit.Picture, picture.colorSpace(), DisplayProfile);
    // The alpha byte is not shown: the picture is drawn opaque over the black.
    if (fit.Picture.format() == QImage::Format_ARGB32) {
        fit.Picture.reinterpretAsFormat(QImage::Format_RGB32);
    }
    fit.Picture.setDevicePixelRatio(ratio);
    return fit;
}

void TPictureSurface::SetPicture(const QImage& picture) {
    SetOrientedPicture(picture, 1);
}

void TPictureSurface::SetOrientedPicture(const QImage& picture, int orientation) {
    Take(picture, orientation, {});
}

QSize TPictureSurface::FittedSize(QSize upright) const {
    return isVisible() ? FitPictureRect(upright, DeviceSize()).size() : QSize();
}

void TPictureSurface::SetFittedPicture(const QImage& picture, int orientation, const QImage& fitted) {
    Take(picture, orientation, fitted);
}

void TPictureSurface::Take(const QImage& picture, int orientation, const QImage& fittedAhead) {
    if (!isVisible()) {
        // Nobody sees it yet: the copy is made at the size the surface is shown at.
        Full = picture;
        Orientation = orientation;
        Fitted = QImage();
        FittedAt = QRect();
        FittedFor = {};
        emit PictureChanged();
        return;
    }
    TFit fit = Fit(picture, orientation, {}, fittedAhead);
    Full = picture;
    Orientation = orientation;
    Fitted = std::move(fit.Picture);
    FittedAt = fit.At;
    FittedFor = FitTarget();
    update();
    emit PictureChanged();
}

void TPictureSurface::SetDisplayProfile(const QByteArray& profile) {
    if (profile == DisplayProfile) {
        return;
    }
    DisplayProfile = profile;
    // Made again for the new colours when next wanted.
    FittedFor = {};
    Refit = true;
    update();
}

void TPictureSurface::SetBlank(bool blank) {
    if (Blank != blank) {
        Blank = blank;
        update();
        emit PictureChanged();
    }
}

void TPictureSurface::FitIfChanged() {
    const std::pair<QSize, qreal> target = FitTarget();
    if (target == FittedFor) {
        return;
    }
    // Tried once per size: should the new copy not fit into memory, the old one stays on the screen.
    FittedFor = target;
    const bool again = std::exchange(Refit, false);
    SwallowErrors([&] {
        TFit fit = Fit(Full, Orientation, again ? TFit{} : TFit{Fitted, FittedAt});
        Fitted = std::move(fit.Picture);
        FittedAt = fit.At;
        emit PictureChanged();
    });
}

const QImage& TPictureSurface::FittedPicture() {
    FitIfChanged();
    return Fitted;
}

QRect TPictureSurface::FittedRect() {
    FitIfChanged();
    return FittedAt;
}

void TPictureSurface::resizeEvent(QResizeEvent* event) {
    // The copy for the new size is made when it is painted: a picture that arrives before then is
    // fitted once, at that size.
    QWidget::resizeEvent(event);
    update();
}

void TPictureSurface::paintEvent(QPaintEvent*) {
    // A new size, or moved to a monitor of another scale: the copy is made again for its pixels.
    FitIfChanged();
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (!Fitted.isNull() && !Blank) {
        // Device pixels to the painter's logical ones; with the copy's own ratio the same, one pixel of
        // the copy lands on one pixel of the screen.
        painter.drawImage(QPointF(FittedAt.topLeft()) / Fitted.devicePixelRatio(), Fitted);
    }
}

#include "PictureSurface.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <new>

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

TPictureSurface::TFit TPictureSurface::Fit(const QImage& picture, const TFit& current) const {
    TFit fit{QImage(), FitPictureRect(picture.size(), DeviceSize())};
    const qreal ratio = devicePixelRatioF();
    // A new surface size that keeps the fitted size and ratio only moves the copy.
    if (!current.Picture.isNull() && current.Picture.size() == fit.At.size() &&
        current.Picture.devicePixelRatio() == ratio) {
        fit.Picture = current.Picture;
        return fit;
    }
    if (fit.At.isEmpty()) {
        return fit;
    }
    fit.Picture = Resample(picture, fit.At.width(), fit.At.height());
    // A resample of a picture with pixels comes back empty only for want of memory.
    if (fit.Picture.isNull()) {
        throw std::bad_alloc();
    }
    // The alpha byte is not shown: the picture is drawn opaque over the black.
    if (fit.Picture.format() == QImage::Format_ARGB32) {
        fit.Picture.reinterpretAsFormat(QImage::Format_RGB32);
    }
    fit.Picture.setDevicePixelRatio(ratio);
    return fit;
}

void TPictureSurface::SetPicture(const QImage& picture) {
    TFit fit = Fit(picture, {});
    Full = picture;
    Fitted = std::move(fit.Picture);
    FittedAt = fit.At;
    update();
}

void TPictureSurface::Refit() {
    // Should the new copy not fit into memory, the old one stays on the screen.
    SwallowErrors([&] {
        TFit fit = Fit(Full, {Fitted, FittedAt});
        Fitted = std::move(fit.Picture);
        FittedAt = fit.At;
    });
}

void TPictureSurface::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Refit();
    update();
}

void TPictureSurface::paintEvent(QPaintEvent*) {
    // Moved to a monitor of another scale: the copy is made again for its pixels.
    if (!Fitted.isNull() && Fitted.devicePixelRatio() != devicePixelRatioF()) {
        Refit();
    }
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (!Fitted.isNull()) {
        // Device pixels to the painter's logical ones; with the copy's own ratio the same, one pixel of
        // the copy lands on one pixel of the screen.
        painter.drawImage(QPointF(FittedAt.topLeft()) / Fitted.devicePixelRatio(), Fitted);
    }
}

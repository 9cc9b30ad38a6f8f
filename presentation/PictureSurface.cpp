#include "PictureSurface.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

#include "Resampler.h"

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

void TPictureSurface::SetPicture(const QImage& picture) {
    Full = picture;
    Fitted = QImage();
    Refit();
}

void TPictureSurface::Refit() {
    const QRect target = FitPictureRect(Full.size(), size());
    // A new surface size that keeps the fitted size only moves the copy.
    if (Fitted.isNull() || target.size() != Fitted.size()) {
        Fitted = target.isEmpty() ? QImage() : ResampleLanczos(Full, target.width(), target.height());
        // The alpha byte is not shown: the picture is drawn opaque over the black.
        if (Fitted.format() == QImage::Format_ARGB32) {
            Fitted.reinterpretAsFormat(QImage::Format_RGB32);
        }
    }
    FittedAt = target;
    update();
}

void TPictureSurface::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Refit();
}

void TPictureSurface::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (!Fitted.isNull()) {
        painter.drawImage(FittedAt.topLeft(), Fitted);
    }
}

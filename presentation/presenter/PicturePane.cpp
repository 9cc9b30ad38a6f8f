#include "PicturePane.h"

#include <QPainter>

#include <cmath>

#include "ColourConversion.h"
#include "PictureSurface.h"

TPicturePane::TPicturePane(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(160, 90);
}

void TPicturePane::SetImage(const QImage& image) {
    Source = image;
    Scaled = QImage();
    update();
}

QSize TPicturePane::DeviceSize() const {
    const qreal ratio = devicePixelRatioF();
    return {int(std::lround(width() * ratio)), int(std::lround(height() * ratio))};
}

void TPicturePane::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    emit Resized();
}

void TPicturePane::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    const QRect at = FitPictureRect(Source.size(), DeviceSize());
    if (at.isEmpty()) {
        return;
    }
    const qreal ratio = devicePixelRatioF();
    // Enlarged (a thumbnail): interpolated as it is drawn, which costs less than a scaled copy.
    const bool enlarged = at.width() > Source.width();
    const QSize made = enlarged ? Source.size() : at.size();
    if (Scaled.size() != made) {
        Scaled = Source.size() == made ? Source
                                       : Source.scaled(made, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        // The operator's monitor is taken as sRGB.
        ConvertToDisplay(Scaled);
        Scaled.setDevicePixelRatio(ratio);
    }
    if (enlarged) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(QPointF(at.topLeft()) / ratio, QSizeF(at.size()) / ratio), Scaled);
        return;
    }
    painter.drawImage(QPointF(at.topLeft()) / ratio, Scaled);
}

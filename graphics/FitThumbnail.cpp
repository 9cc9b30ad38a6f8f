#include "FitThumbnail.h"

#include "Resampler.h"

QRect FitThumbnailRect(QSize source, int width, int height) {
    if (source.isEmpty()) {
        return QRect();
    }
    const double widthRatio = double(width) / source.width();
    const double heightRatio = double(height) / source.height();
    double f = widthRatio > heightRatio ? heightRatio : widthRatio;
    if (width > source.width() && height > source.height()) {
        f = 1.0;
    }
    const int left = int((width - f * source.width()) / 2);
    const int top = int((height - f * source.height()) / 2);
    const int right = int(f * source.width() + left);
    const int bottom = int(f * source.height() + top);
    return QRect(left, top, right - left, bottom - top);
}

bool FitThumbnail(const QImage& source, QImage& destination, int width, int height,
                  const QColor& background) {
    if (width <= 0 || height <= 0) {
        destination = QImage();
        return true;
    }
    QImage box(width, height, QImage::Format_RGB32);
    box.fill(background.rgb());
    const QRect target = FitThumbnailRect(source.size(), width, height) & box.rect();
    if (!target.isEmpty()) {
        const QImage scaled = ResampleLanczos(source, target.width(), target.height());
        // Drawn opaque: the colour is copied and the alpha byte made 0xFF, never blended.
        for (int y = 0; y < scaled.height(); ++y) {
            const auto* in = reinterpret_cast<const QRgb*>(scaled.constScanLine(y));
            auto* out = reinterpret_cast<QRgb*>(box.scanLine(target.top() + y)) + target.left();
            for (int x = 0; x < scaled.width(); ++x) {
                out[x] = in[x] | 0xFF000000u;
            }
        }
    }
    destination = box;
    return true;
}

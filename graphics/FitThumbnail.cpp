#include "FitThumbnail.h"

#include <algorithm>

#include "BoxReduce.h"
#include "ColourConversion.h"
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

QSize ThumbnailReduction(QSize source, int width, int height) {
    const QRect target = FitThumbnailRect(source, width, height);
    const auto factor = [](int from, int to) {
        return to <= 0 ? 1 : std::max(1, int(double(from) / to / ThumbnailReductionGap));
    };
    return {factor(source.width(), target.width()), factor(source.height(), target.height())};
}

bool FitReducedThumbnail(const QImage& reduced, QSize source, QImage& destination, int width, int height,
                         const QColor& background) {
    if (width <= 0 || height <= 0) {
        destination = QImage();
        return true;
    }
    QImage box(width, height, QImage::Format_RGB32);
    box.fill(background.rgb());
    const QRect target = FitThumbnailRect(source, width, height) & box.rect();
    if (!target.isEmpty() && !reduced.isNull()) {
        const QImage scaled = ResampleLanczosReduced(
            reduced, source, ThumbnailReduction(source, width, height), target.width(), target.height());
        // Drawn opaque: the colour is copied and the alpha byte made 0xFF, never blended.
        for (int y = 0; y < scaled.height(); ++y) {
            const auto* in = reinterpret_cast<const QRgb*>(scaled.constScanLine(y));
            auto* out = reinterpret_cast<QRgb*>(box.scanLine(target.top() + y)) + target.left();
            for (int x = 0; x < scaled.width(); ++x) {
                out[x] = in[x] | 0xFF000000u;
            }
        }
        // The picture's colours as an sRGB monitor shows them; the background stays as it is.
        ConvertColours(box, reduced.colorSpace(), {}, target);
    }
    destination = box;
    return true;
}

bool FitThumbnail(const QImage& source, QImage& destination, int width, int height,
                  const QColor& background) {
    const QSize factors = ThumbnailReduction(source.size(), width, height);
    const QImage reduced =
        factors == QSize(1, 1) ? source : BoxReduce(source, factors.width(), factors.height());
    return FitReducedThumbnail(reduced, source.size(), destination, width, height, background);
}
